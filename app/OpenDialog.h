#pragma once

#include "Prompts.h"

#include <QString>

// A file-open dialog that remembers the last chosen name, as the tool's
// dialogs do; Execute() asks through the prompts seam.
class TOpenDialog {
public:
    prompts::OpenFileRequest settings;
    QString FileName;  // full path after a confirmed Execute()

    explicit TOpenDialog(QWidget* owner) : owner_(owner) {}
    bool Execute();

private:
    QWidget* owner_;
};
