#pragma once

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace grivendale {

class SettingsStore;

// The user guide window. Loading it also keeps the run flag "Logout" (1 while the editor runs,
// 0 after a normal close). The flag never costs a file: after a crash the auto-save stays, and
// the recovery copy says what was lost.
class ReadmeWindow final : public QDialog {
    Q_OBJECT
public:
    ReadmeWindow(SettingsStore& settings, QString programFolder, QWidget* parent = nullptr);

    // The load steps; false when the window closed itself (box unticked).
    bool load();
    bool isLoaded() const { return loaded_; }
    // At start-up: load, then show modally (without blocking) unless it closed itself.
    void showAtStartUp();
    // "Voir le mode d'emploi": always shown, without being modal.
    void showOnDemand();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    SettingsStore& settings_;
    QString programFolder_;
    bool loaded_ = false;
    QPlainTextEdit* text_;
    QCheckBox* showAtStart_;
    QPushButton* ok_;
};

// The guide's text: UTF-8 when it is valid UTF-8, else the Windows code page. Empty when the
// file is missing or unreadable.
QString readReadmeText(const QString& path);

} // namespace grivendale
