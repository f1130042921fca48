#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QWidget;

// Every place that would wait for the user goes through here, so tests can
// answer in advance. Flags and answers use the Windows message-box values.
namespace prompts {

inline constexpr int MB_OK = 0x0;
inline constexpr int MB_RETRYCANCEL = 0x5;
inline constexpr int MB_ICONSTOP = 0x10;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDRETRY = 4;

struct OpenFileRequest {
    QString title;           // empty: the system's default
    QString filterName;      // e.g. "ホタル奇譚ムービーファイル(hotaru4)"
    QStringList fileNames;   // the only names listed
    QString initialName;
    QString initialFolder;   // empty: wherever the system starts
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual int messageBox(QWidget* owner, const QString& text, const QString& caption, int flags) = 0;
    // A plain message with one OK button and no icon.
    virtual void message(QWidget* owner, const QString& text, const QString& caption) = 0;
    // The chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> openFile(QWidget* owner, const OpenFileRequest& request) = 0;
};

// The one in use: the real dialogs unless a test put its own in place.
Prompts& current();
// Takes over `replacement`; nullptr restores the real dialogs.
void replace(std::unique_ptr<Prompts> replacement);

}  // namespace prompts
