#pragma once
// The windows' seam answered in advance: every box and file question is
// recorded, boxes answer from a queue (OK when it is empty), file pickers
// from theirs (cancel when it is empty), and the drives are made up.

#include "Drives.h"
#include "SystemServices.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
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
    ui::BoxButtons buttons = ui::BoxButtons::Ok;
    ui::BoxIcon icon = ui::BoxIcon::None;
};

class FakeSystemServices final : public ui::SystemServices {
public:
    std::vector<ShownBox> boxes;
    std::deque<ui::BoxAnswer> answers;
    std::deque<std::optional<QString>> files;
    std::vector<ui::FileRequest> fileRequests;
    FakeDrives fakeDrives;
    QStringList folderDriveList{QDir::rootPath()};
    std::function<void()> onBox;  // runs while a box is "open"

    ui::BoxAnswer messageBox(QWidget*, const QString& text, const QString& caption, ui::BoxButtons buttons,
                             ui::BoxIcon icon) override
    {
        boxes.push_back({text, caption, buttons, icon});
        if (onBox)
            onBox();
        if (answers.empty())
            return buttons == ui::BoxButtons::Ok ? ui::BoxAnswer::Ok : ui::BoxAnswer::Retry;
        const ui::BoxAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::optional<QString> openFile(QWidget*, const ui::FileRequest& request) override
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
