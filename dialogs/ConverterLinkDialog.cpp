#include "dialogs/ConverterLinkDialog.h"

#include "dialogs/ConverterInfoWindow.h"
#include "gui/Handlers.h"
#include "gui/WindowLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace dialogs {
namespace {

// The layout, in client pixels; the dialog is centred when shown.
constexpr QSize Form3Size{284, 106};
constexpr gui::Place promptPlace{"Label1", 12, 16, 91, 12};
constexpr gui::Place pathFieldPlace{"Edit1", 8, 36, 205, 20};
constexpr gui::Place browseButtonPlace{"Button1", 212, 36, 57, 21};
constexpr gui::Place okButtonPlace{"Button2", 8, 72, 75, 25};
constexpr gui::Place cancelButtonPlace{"Button3", 104, 72, 75, 25};
constexpr gui::Place helpButtonPlace{"Button4", 200, 72, 75, 25};

}  // namespace

QStringList converterFileNames()
{
#ifdef _WIN32
    return {QStringLiteral("ACPK2AVI.exe")};
#else
    // Programs here have no ".exe"; cpk2avi is the converter that comes with this tool.
    return {QStringLiteral("ACPK2AVI.exe"), QStringLiteral("ACPK2AVI"), QStringLiteral("cpk2avi")};
#endif
}

ConverterLinkDialog::ConverterLinkDialog(gui::SystemServices& services, QWidget* parent)
    : FixedWindow({"Form3", QString(),
                   Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                       Qt::MSWindowsFixedSizeDialogHint,
                   gui::Placement::Centred},
                  parent),
      services_(services)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(Form3Size);

    QLabel* prompt = gui::label(this, promptPlace, QString(), 12);
    converterPathEdit_ = gui::place<QLineEdit>(this, pathFieldPlace);
    converterPathEdit_->setReadOnly(true);
    QPushButton* browseButton = gui::button(this, browseButtonPlace, QString());
    QPushButton* okButton = gui::button(this, okButtonPlace, QStringLiteral("OK"));
    QPushButton* cancelButton = gui::button(this, cancelButtonPlace, QString());
    QPushButton* helpButton = gui::button(this, helpButtonPlace, QString());
    word([=, this] {
        setWindowTitle(tr("ACPK2AVIとの連携"));
        gui::setLabelText(prompt, promptPlace, tr("ACPK2AVIの指定"));
        converterPathEdit_->setAccessibleName(prompt->text());
        browseButton->setText(tr("参照"));
        cancelButton->setText(tr("ｷｬﾝｾﾙ"));
        helpButton->setText(tr("ﾍﾙﾌﾟ"));
    });
    setTabOrder(converterPathEdit_, browseButton);
    setTabOrder(browseButton, okButton);
    setTabOrder(okButton, cancelButton);
    setTabOrder(cancelButton, helpButton);

    converterRequest_.filterName = QStringLiteral("ACPK2AVI");
    converterRequest_.fileNames = converterFileNames();

    gui::connectHandler(services_, browseButton, &QPushButton::clicked, this, &ConverterLinkDialog::onBrowseClicked);
    gui::connectHandler(services_, okButton, &QPushButton::clicked, this, &ConverterLinkDialog::onOkClicked);
    gui::connectHandler(services_, cancelButton, &QPushButton::clicked, this, &ConverterLinkDialog::onCancelClicked);
    gui::connectHandler(services_, helpButton, &QPushButton::clicked, this, &ConverterLinkDialog::onHelpClicked);

    // No parent: a window of its own, so closing this dialog leaves it open.
    infoWindow_ = std::make_unique<ConverterInfoWindow>(services_);
}

ConverterLinkDialog::~ConverterLinkDialog() = default;

ConverterInfoWindow* ConverterLinkDialog::infoWindow() const { return infoWindow_.get(); }

void ConverterLinkDialog::setConverterPath(const QString& path)
{
    const QFileInfo file(path);
    converterRequest_.initialName = file.fileName();
    converterRequest_.initialFolder = QDir::toNativeSeparators(file.absolutePath());
    converterPathEdit_->setText(QDir::toNativeSeparators(path));
}

QString ConverterLinkDialog::converterPath() const { return converterPathEdit_->text(); }

void ConverterLinkDialog::onBrowseClicked()
{
    const std::optional<QString> chosen = services_.openFile(this, converterRequest_);
    if (!chosen)
        return;
    const QString path = QDir::toNativeSeparators(QFileInfo(*chosen).absoluteFilePath());
    setConverterPath(path);
    Q_EMIT converterChosen(path);
}

void ConverterLinkDialog::onOkClicked()
{
    if (converterPathEdit_->text().isEmpty()) {
        services_.messageBox(this, tr("ACPK2AVI.exeを指定してください。"), gui::programTitle());
        return;
    }
    Q_EMIT aviOutputRequested();
    close();
}

void ConverterLinkDialog::onCancelClicked() { close(); }

void ConverterLinkDialog::onHelpClicked() { gui::showModeless(infoWindow_.get()); }

}  // namespace dialogs
