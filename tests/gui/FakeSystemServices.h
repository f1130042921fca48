#pragma once
// The windows' seam answered in advance: every box and file question is
// recorded, boxes answer from a queue (OK when it is empty), file pickers
// from theirs (cancel when it is empty), and the drives are made up.

#include "gui/AudioOutput.h"
#include "gui/SystemServices.h"
#include "gui/TaskbarProgress.h"
#include "platform/Drives.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

// Drives by root: which are CD-ROMs and which files exist.
class FakeDrives final : public hotaru::DriveProbe {
public:
    std::vector<std::string> rootList;
    std::set<std::string> cdroms;
    std::set<std::string> files;
    mutable int scans = 0;

    std::vector<std::string> roots() const override
    {
        ++scans;
        return rootList;
    }
    bool isCdRom(const std::string& root) const override { return cdroms.count(root) != 0; }
    bool isFile(const std::string& path) const override { return files.count(path) != 0; }
};

struct ShownBox {
    QString text;
    QString caption;
    gui::BoxButtons buttons = gui::BoxButtons::Ok;
    gui::BoxIcon icon = gui::BoxIcon::None;
};

// Writes what a run shows on the taskbar into a log: "progress 0.25", "failed", "clear".
class LoggedTaskbar final : public gui::TaskbarProgress {
public:
    explicit LoggedTaskbar(QStringList& log) : log_(log) {}
    void setProgress(double fraction) override { log_ << QStringLiteral("progress %1").arg(fraction); }
    void setFailed() override { log_ << QStringLiteral("failed"); }
    void clear() override { log_ << QStringLiteral("clear"); }

private:
    QStringList& log_;
};

// A sound device whose clock the test moves: playTo() has it play up to a
// time, taking from its source what that needs and a little more, as a
// device keeps a little ahead.
struct FakeSound {
    static constexpr qint64 AheadMicroseconds = 50000;
    gui::SoundSource* source = nullptr;
    std::vector<std::int16_t> taken;  // all it took from its source, since it was opened
    qint64 heard = 0;                 // microseconds
    int bytesPerSecond = 0;
    int channels = 0;
    bool suspended = false;
    bool open = false;
    int opened = 0;  // times a device was opened
    bool fail = false;

    // Sound still being decoded is waited for, a while: past the movie's
    // end the device takes silence.
    void playTo(qint64 microseconds)
    {
        heard = microseconds;
        if (!open)
            return;
        const qint64 frames = (heard + AheadMicroseconds) * bytesPerSecond / 2 / channels / 1000000;
        const std::size_t want = std::size_t(frames * channels);
        for (int idle = 0; taken.size() < want;) {
            std::size_t n = std::size_t(std::min<qint64>(source->soundReady() / 2, qint64(want - taken.size())));
            if (n == 0 && ++idle < 40) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            n = n ? n - n % std::size_t(channels) : want - taken.size();
            if (n == 0)
                n = std::size_t(channels);
            idle = 0;
            const std::size_t had = taken.size();
            taken.resize(had + n);
            source->readSound(reinterpret_cast<char*>(taken.data() + had), qint64(n) * 2);
        }
    }
    qint64 takenMicroseconds() const { return qint64(taken.size()) * 2 * 1000000 / bytesPerSecond; }
};

class FakeAudioOutput final : public gui::AudioOutput {
public:
    explicit FakeAudioOutput(FakeSound& sound) : sound_(sound) {}
    ~FakeAudioOutput() override { sound_.open = false; }
    qint64 playedMicroseconds() const override { return std::min(sound_.heard, sound_.takenMicroseconds()); }
    void suspend() override { sound_.suspended = true; }
    void resume() override { sound_.suspended = false; }
    bool failed() const override { return sound_.fail; }

private:
    FakeSound& sound_;
};

class FakeSystemServices final : public gui::SystemServices {
public:
    std::vector<ShownBox> boxes;
    std::deque<gui::BoxAnswer> answers;
    std::deque<std::optional<QString>> files;
    // The folders the folder picker "chooses", in order; empty: cancelled.
    QStringList folders;
    std::vector<gui::FileRequest> fileRequests;
    FakeDrives fakeDrives;
    QStringList folderDriveList{QDir::rootPath()};
    std::function<void()> onBox;  // runs while a box is "open"
    // Runs get the CPU they need; the worker's own suite checks the idle default.
    QThread::Priority copies = QThread::NormalPriority;
    QThread::Priority copyPriority() const override { return copies; }
    QStringList taskbar;               // what runs showed on the taskbar, in order
    int attentionAsked = 0;            // times a window asked for the user's attention
    std::optional<std::int64_t> free;  // the output folder's free space; nothing: unknown
    mutable QStringList freeAskedFor;

    std::unique_ptr<gui::TaskbarProgress> taskbarProgress(QWidget*) override
    {
        return std::make_unique<LoggedTaskbar>(taskbar);
    }
    void requestAttention(QWidget*) override { ++attentionAsked; }
    // No sound device unless a test gives one.
    std::optional<FakeSound> sound;
    std::unique_ptr<gui::AudioOutput> openAudio(int sampleRate, int channels, gui::SoundSource& source) override
    {
        if (!sound)
            return nullptr;
        ++sound->opened;
        sound->open = true;
        sound->source = &source;
        sound->taken.clear();
        sound->heard = 0;
        sound->suspended = false;
        sound->channels = channels;
        sound->bytesPerSecond = sampleRate * channels * 2;
        return std::make_unique<FakeAudioOutput>(*sound);
    }
    std::optional<std::int64_t> freeSpace(const QString& folder) const override
    {
        freeAskedFor << folder;
        return free;
    }

    gui::BoxAnswer messageBox(QWidget*, const QString& text, const QString& caption, gui::BoxButtons buttons,
                              gui::BoxIcon icon) override
    {
        boxes.push_back({text, caption, buttons, icon});
        if (onBox)
            onBox();
        if (answers.empty())
            return buttons == gui::BoxButtons::Ok ? gui::BoxAnswer::Ok : gui::BoxAnswer::Retry;
        const gui::BoxAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    // Boxes that block nothing are recorded with the others and answered at
    // once, or shown for real, to see what they block.
    std::unique_ptr<gui::SystemServices> realNotices;

    void notify(QWidget* owner, const QString& text, const QString& caption, std::function<void()> dismissed) override
    {
        boxes.push_back({text, caption, gui::BoxButtons::Ok, gui::BoxIcon::None});
        if (onBox)
            onBox();
        if (realNotices)
            realNotices->notify(owner, text, caption, std::move(dismissed));
        else if (dismissed)
            dismissed();
    }

    std::optional<QString> chooseFolder(QWidget*, const QString&, const QString&) override
    {
        if (folders.isEmpty())
            return std::nullopt;
        return folders.takeFirst();
    }

    std::optional<QString> openFile(QWidget*, const gui::FileRequest& request) override
    {
        fileRequests.push_back(request);
        if (files.empty())
            return std::nullopt;
        // Moved out by hand: copying an optional QString trips GCC 12's
        // maybe-uninitialized warning in optimised builds.
        const bool confirmed = files.front().has_value();
        const QString name = confirmed ? *files.front() : QString();
        files.pop_front();
        return confirmed ? std::optional<QString>(name) : std::nullopt;
    }

    const hotaru::DriveProbe& drives() const override { return fakeDrives; }
    QStringList folderDrives() const override { return folderDriveList; }

    // The texts of the boxes shown so far.
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const ShownBox& b : boxes)
            texts << b.text;
        return texts;
    }
};
