#pragma once

#include <QString>

#include <vector>

class QLabel;
class QProgressBar;
class QWidget;

namespace app {
// What the window itself shows of a run: the bar that fills once per movie,
// the name of the file being written, and the hourglass over the controls.
class RunDisplay {
public:
    RunDisplay() = default;
    RunDisplay(QProgressBar* bar, QLabel* fileName, std::vector<QWidget*> busy)
        : bar_(bar), fileName_(fileName), busy_(std::move(busy))
    {
    }

    void started() const;
    // `slices` more slices were copied: one step each.
    void stepped(int slices) const;
    void showFileName(const QString& name) const;
    void ended() const;

private:
    QProgressBar* bar_ = nullptr;
    QLabel* fileName_ = nullptr;
    std::vector<QWidget*> busy_;
};

}  // namespace app
