// Menu commands that open the dialogs, and what the dialogs hand back.
#include "Form1.h"

#include "ACPK2AVI.h"
#include "AboutACPK2AVI.h"
#include "Application.h"
#include "DialogSupport.h"
#include "DirBox.h"
#include "Globals.h"
#include "Prompts.h"
#include "VersionInfo.h"

#include <QAction>

void TForm1::KS1Click()
{
    if (Form2)
        Form2->exec();
}

void TForm1::About1Click()
{
    if (OKRightDlg)
        OKRightDlg->exec();
}

void TForm1::ACPK2AVIClick()
{
    if (ACPK2AVI->isChecked()) {
        ACPK2AVI->setChecked(false);
        publishRunSettings();
        return;
    }
    dialogs::showModeless(Form3);
}

void TForm1::AttachDialogs()
{
    dialogs::Hooks& hooks = dialogs::hooks();
    hooks.message = [](QWidget* owner, const QString& text) {
        prompts::current().message(owner, text, applicationTitle());
    };
    hooks.openFile = [](QWidget* owner, const dialogs::FileQuery& query) {
        return prompts::current().openFile(
            owner, {QString(), query.filterName, query.fileNames, query.initialName, query.initialFolder});
    };
    hooks.showError = [](const std::exception& e) {
        if (Application)
            Application->ShowException(e);
    };
    hooks.setHint = [](const QString& hint) {
        if (Application)
            Application->SetHint(hint);
    };

    if (Form2) {
        connect(Form2, &TForm2::OutputFolderChosen, this, [this](const QString& folder) {
            OutputFolder = folder;
            publishRunSettings();
        });
    }
    if (Form3) {
        connect(Form3, &TForm3::ConverterChosen, this, [this](const QString& path) {
            ConverterPath = path;
            publishRunSettings();
        });
        connect(Form3, &TForm3::AviOutputOn, this, [this] {
            ACPK2AVI->setChecked(true);
            publishRunSettings();
        });
    }
}
