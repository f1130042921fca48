#pragma once

#include <QObject>
#include <QString>

#include <string>

namespace gui {

// The process's current folder, which the output-folder tree moves, a
// remembered output folder restores, and the converter runs in. Everything
// that moves it goes through one of these, which says so; the folder it found
// is put back when it goes.
class WorkingFolder : public QObject {
    Q_OBJECT
public:
    explicit WorkingFolder(QObject* parent = nullptr);
    ~WorkingFolder() override;

    // In the system's own form; throws EInOutError when it was removed.
    QString path() const;
    // Throws EInOutError and stays where it is when `folder` cannot be entered.
    void moveTo(const QString& folder);

Q_SIGNALS:
    void moved(const QString& folder);

private:
    std::string found_;
};

}  // namespace gui
