#pragma once

#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>

class QComboBox;
class QKeyEvent;
class QPushButton;
class QShowEvent;
class TDirectoryListBox;

// "保存先の指定": chooses the folder the movies are written to. Every folder
// the tree shows becomes the current directory at once; OK hands the folder
// on through OutputFolderChosen, Cancel and the close box hand on nothing.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // The tree starts at the current directory, on the drive it lies on.
    explicit TForm2(QWidget* parent = nullptr);
    TForm2(const QStringList& drives, QWidget* parent = nullptr);
    ~TForm2() override;

    TDirectoryListBox* DirectoryListBox1;
    QComboBox* DriveComboBox1;
    QPushButton* Button1;
    QPushButton* Button2;

    // The folder shown, ending in exactly one separator.
    QString ChosenFolder() const;

public Q_SLOTS:
    void DriveComboBox1Change();
    void Button1Click();
    void Button2Click();

Q_SIGNALS:
    void OutputFolderChosen(const QString& folder);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    int driveIndex(const QString& drive) const;

    QMap<QString, QString> lastFolder_;  // per drive, the folder last shown on it
};

extern TForm2* Form2;

// The drives the selector offers: the drive letters present on Windows;
// elsewhere "/" and the mount points of mounted media.
QStringList systemDriveRoots();
