#include "dialogs/NamingDialog.h"

#include "language/Failures.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dialogs {
namespace {

// The rules in the order the list shows them.
constexpr hotaru::ExistingFiles Rules[] = {hotaru::ExistingFiles::Overwrite, hotaru::ExistingFiles::Skip,
                                           hotaru::ExistingFiles::Rename};

}  // namespace

NamingDialog::NamingDialog(QWidget* parent)
    : FixedWindow({"NamingForm", QString(),
                   Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                       Qt::MSWindowsFixedSizeDialogHint,
                   gui::Placement::Centred},
                  parent)
{
    setModal(true);
    auto* form = new QFormLayout;
    templateEdit_ = new QLineEdit(this);
    templateEdit_->setObjectName(QStringLiteral("nameTemplate"));
    templateEdit_->setMinimumWidth(320);
    auto* templateLabel = new QLabel(this);
    templateLabel->setBuddy(templateEdit_);
    form->addRow(templateLabel, templateEdit_);
    fields_ = new QLabel(this);
    fields_->setWordWrap(true);
    form->addRow(QString(), fields_);
    example_ = new QLabel(this);
    example_->setObjectName(QStringLiteral("example"));
    example_->setTextFormat(Qt::PlainText);
    example_->setWordWrap(true);
    form->addRow(QString(), example_);
    existing_ = new QComboBox(this);
    existing_->setObjectName(QStringLiteral("existingFiles"));
    for (std::size_t i = 0; i < std::size(Rules); ++i)
        existing_->addItem(QString());
    auto* existingLabel = new QLabel(this);
    existingLabel->setBuddy(existing_);
    form->addRow(existingLabel, existing_);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("ok"));
    QPushButton* cancel = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    setDefaultButton(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    word([=, this] {
        setWindowTitle(tr("ﾌｧｲﾙ名の付け方"));
        templateLabel->setText(tr("ﾌｧｲﾙ名(&N):"));
        fields_->setText(tr("{title} 題名　{title_en} 英語の題名　{n} 番号 ({n:02} なら 01)　{disc} ﾃﾞｨｽｸ番号"));
        existingLabel->setText(tr("同じ名前のﾌｧｲﾙがあるとき(&E):"));
        existing_->setItemText(0, tr("上書きする"));
        existing_->setItemText(1, tr("作成しない"));
        existing_->setItemText(2, tr("別の名前で作成する (「 (2)」を付ける)"));
        ok_->setText(tr("OK"));
        cancel->setText(tr("ｷｬﾝｾﾙ"));
        refresh();
    });
    connect(templateEdit_, &QLineEdit::textChanged, this, &NamingDialog::refresh);
    connect(ok_, &QPushButton::clicked, this, &NamingDialog::onOkClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void NamingDialog::setNaming(const hotaru::NameTemplate& naming, hotaru::ExistingFiles existing)
{
    templateEdit_->setText(QString::fromStdString(naming.text()));
    for (std::size_t i = 0; i < std::size(Rules); ++i)
        if (Rules[i] == existing)
            existing_->setCurrentIndex(static_cast<int>(i));
    refresh();
}

void NamingDialog::setExample(std::int32_t disc, const QString& extension)
{
    disc_ = disc > 0 ? disc : 1;
    extension_ = extension;
    refresh();
}

void NamingDialog::refresh()
{
    const hotaru::NameTemplate naming(templateEdit_->text().toStdString());
    ok_->setEnabled(naming.valid());
    QPalette look = palette();
    if (naming.valid()) {
        example_->setText(tr("例: %1").arg(QString::fromStdString(naming.nameFor(disc_, 1)) + extension_));
    } else {
        example_->setText(language::nameTemplateText(naming.check()));
        look.setColor(QPalette::WindowText, Qt::red);
    }
    example_->setPalette(look);
}

void NamingDialog::onOkClicked()
{
    const hotaru::NameTemplate naming(templateEdit_->text().toStdString());
    if (!naming.valid())
        return;
    const int rule = existing_->currentIndex();
    Q_EMIT namingChosen(naming, Rules[rule >= 0 ? rule : 0]);
    accept();
}

}  // namespace dialogs
