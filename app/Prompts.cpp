#include "Prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace prompts {

namespace {

class RealPrompts final : public Prompts {
public:
    int messageBox(QWidget* owner, const QString& text, const QString& caption, int flags) override
    {
        QMessageBox box(owner);
        box.setWindowTitle(caption);
        box.setText(text);
        box.setIcon((flags & MB_ICONSTOP) ? QMessageBox::Critical : QMessageBox::NoIcon);
        if ((flags & 0xF) == MB_RETRYCANCEL) {
            box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Retry);
            return box.exec() == QMessageBox::Cancel ? IDCANCEL : IDRETRY;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return IDOK;
    }

    void message(QWidget* owner, const QString& text, const QString& caption) override
    {
        messageBox(owner, text, caption, MB_OK);
    }

    std::optional<QString> openFile(QWidget* owner, const OpenFileRequest& request) override
    {
        // Qt's dialog never changes the current directory, as the tool requires.
        QFileDialog dialog(owner, request.title);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // Listed by its description alone, as the system's own dialogs do.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilter(request.filterName + QStringLiteral(" (") + request.fileNames.join(u' ') + u')');
        if (!request.initialFolder.isEmpty())
            dialog.setDirectory(request.initialFolder);
        dialog.selectFile(request.initialName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

std::unique_ptr<Prompts>& slot()
{
    static std::unique_ptr<Prompts> p = std::make_unique<RealPrompts>();
    return p;
}

}  // namespace

Prompts& current() { return *slot(); }

void replace(std::unique_ptr<Prompts> replacement)
{
    slot() = replacement ? std::move(replacement) : std::make_unique<RealPrompts>();
}

}  // namespace prompts
