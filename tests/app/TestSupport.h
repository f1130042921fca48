#pragma once
// Fakes for the seams the windows wait on: message boxes, file pickers, drives.

#include "Drives.h"
#include "Prompts.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

// Takes the next queued file answer: a name, or nothing for Cancel (also
// when the queue is empty). Written out by hand because copying an optional
// QString trips GCC 12's maybe-uninitialized warning in optimised builds.
inline std::optional<QString> takeFileAnswer(std::deque<std::optional<QString>>& queue)
{
    if (queue.empty())
        return std::nullopt;
    const bool confirmed = queue.front().has_value();
    const QString name = confirmed ? *queue.front() : QString();
    queue.pop_front();
    return confirmed ? std::optional<QString>(name) : std::nullopt;
}

struct ShownBox {
    QString text;
    QString caption;
    int flags = 0;
};

// Records every box and answers from a queue (IDOK when empty); file pickers
// answer from their own queue (cancel when empty).
class FakePrompts final : public prompts::Prompts {
public:
    std::vector<ShownBox> boxes;
    std::deque<int> answers;
    std::deque<std::optional<QString>> files;
    std::vector<prompts::OpenFileRequest> fileRequests;

    int messageBox(QWidget*, const QString& text, const QString& caption, int flags) override
    {
        boxes.push_back({text, caption, flags});
        if (onBox)
            onBox();
        if (answers.empty())
            return prompts::IDOK;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    void message(QWidget* owner, const QString& text, const QString& caption) override
    {
        messageBox(owner, text, caption, prompts::MB_OK);
    }
    std::optional<QString> openFile(QWidget*, const prompts::OpenFileRequest& request) override
    {
        fileRequests.push_back(request);
        return takeFileAnswer(files);
    }
    std::function<void()> onBox;  // runs while a box is "open"
};

// Installs a FakePrompts for the life of the object and hands out a pointer to it.
struct PromptsScope {
    FakePrompts* fake;
    PromptsScope()
    {
        auto p = std::make_unique<FakePrompts>();
        fake = p.get();
        prompts::replace(std::move(p));
    }
    ~PromptsScope() { prompts::replace(nullptr); }
    FakePrompts* operator->() const { return fake; }
};

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
