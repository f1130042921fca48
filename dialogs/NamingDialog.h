#pragma once

#include "catalogue/NameTemplate.h"
#include "extract/OutputNames.h"
#include "gui/FixedWindow.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dialogs {

// "ﾌｧｲﾙ名の付け方": the template the movies' files are named by, with the
// name it gives shown as it is typed (or why it cannot be used), and what a
// run does where a name is taken. Modal; OK takes both.
class NamingDialog : public gui::FixedWindow<QDialog> {
    Q_OBJECT
public:
    explicit NamingDialog(QWidget* parent = nullptr);

    // Fills the fields; the example is the first movie of `disc` (0: disc 1)
    // with `extension`, the file a run would keep.
    void setNaming(const hotaru::NameTemplate& naming, hotaru::ExistingFiles existing);
    void setExample(std::int32_t disc, const QString& extension);

Q_SIGNALS:
    // OK with a template that works for every movie.
    void namingChosen(const hotaru::NameTemplate& naming, hotaru::ExistingFiles existing);

private:
    void refresh();
    void onOkClicked();

    QLineEdit* templateEdit_;
    QLabel* fields_;
    QLabel* example_;
    QComboBox* existing_;
    QPushButton* ok_;
    std::int32_t disc_ = 1;
    QString extension_ = QStringLiteral(".cpk");
};

}  // namespace dialogs
