// The open and save dialogs behind a seam, so the window's tests can answer them in advance.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace caniparc::ui {

struct FileChoice {
    QString path;        // empty: cancelled
    int filterIndex = 1; // 1-based, as the settings keep it
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual FileChoice ChooseOpen(QWidget* parent, const QString& folder, const QStringList& filters,
                                  int filterIndex) = 0;
    // Asks before overwriting an existing file.
    virtual FileChoice ChooseSave(QWidget* parent, const QString& folder, const QString& proposedName,
                                  const QStringList& filters, int filterIndex) = 0;
    // A folder, starting at `folder`; empty when cancelled.
    virtual QString ChooseFolder(QWidget* /*parent*/, const QString& /*folder*/) { return {}; }
};

// The desktop's own file dialogs.
class DesktopFileChooser final : public FileChooser {
public:
    FileChoice ChooseOpen(QWidget* parent, const QString& folder, const QStringList& filters, int filterIndex) override;
    FileChoice ChooseSave(QWidget* parent, const QString& folder, const QString& proposedName,
                          const QStringList& filters, int filterIndex) override;
    QString ChooseFolder(QWidget* parent, const QString& folder) override;
};

} // namespace caniparc::ui
