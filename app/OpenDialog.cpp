#include "OpenDialog.h"

#include <QFileInfo>

bool TOpenDialog::Execute()
{
    prompts::OpenFileRequest request = settings;
    if (!FileName.isEmpty()) {
        const QFileInfo last(FileName);
        request.initialName = last.fileName();
        request.initialFolder = last.absolutePath();
    }
    const auto chosen = prompts::current().openFile(owner_, request);
    if (!chosen)
        return false;
    FileName = QFileInfo(*chosen).absoluteFilePath();
    return true;
}
