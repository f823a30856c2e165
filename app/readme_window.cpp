#include "app/readme_window.h"

#include "document/settings_store.h"
#include "document/windows1252.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace grivendale {

QString readReadmeText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = decodeWindows1252(bytes);
    return text;
}

ReadmeWindow::ReadmeWindow(SettingsStore& settings, QString programFolder, QWidget* parent)
    : QDialog(parent), settings_(settings), programFolder_(std::move(programFolder)),
      text_(new QPlainTextEdit(this)),
      showAtStart_(new QCheckBox(QStringLiteral("Toujours afficher au démarrage"), this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Grivendale - Tessaval"));
    text_->setObjectName(QStringLiteral("Text1"));
    text_->setReadOnly(true);
    showAtStart_->setObjectName(QStringLiteral("Check1"));
    ok_->setObjectName(QStringLiteral("Command1"));
    ok_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(showAtStart_);
    bottom->addStretch(1);
    bottom->addWidget(ok_);
    layout->addLayout(bottom);
    resize(620, 480);

    connect(showAtStart_, &QCheckBox::clicked, this,
            [this](bool checked) { saveShowReadme(settings_, checked); });
    connect(ok_, &QPushButton::clicked, this, &QWidget::hide);
}

bool ReadmeWindow::load() {
    text_->setPlainText(readReadmeText(programFolder_ + QStringLiteral("/readme.txt")));
    // Read as it always was, for the settings that rely on it; the auto-save is never deleted
    // for it (it would leave the map only in memory until the next normal close).
    [[maybe_unused]] const bool lastRunEndedAbnormally = readLogout(settings_);
    saveLogout(settings_, true);
    loaded_ = true;
    showAtStart_->setChecked(readShowReadme(settings_));
    if (!showAtStart_->isChecked()) {
        loaded_ = false;
        hide();
        return false;
    }
    return true;
}

void ReadmeWindow::showAtStartUp() {
    if (load())
        open(); // modal to the main window, without blocking start-up
}

void ReadmeWindow::showOnDemand() {
    saveShowReadme(settings_, true);
    if (!loaded_)
        load();
    setModal(false);
    show();
    raise();
    activateWindow();
}

void ReadmeWindow::closeEvent(QCloseEvent* event) {
    // The title bar unloads the window: the next showing runs the load steps again.
    loaded_ = false;
    QDialog::closeEvent(event);
}

} // namespace grivendale
