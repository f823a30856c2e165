#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;

namespace grivendale {

// The font chooser: a typeface, a size and three attributes, shown on a sample. The caller
// sets the five properties, shows it modally and reads them back only when tag() is "OK".
// "OK" and "Annuler" only hide it; closing it by its frame leaves the tag empty.
class FontChooserWindow final : public QDialog {
    Q_OBJECT
public:
    explicit FontChooserWindow(QWidget* parent = nullptr);

    void setFFontBold(bool bold);
    void setFFontItalic(bool italic);
    void setFFontUnderline(bool underline);
    void setFFontSize(std::int32_t size);
    void setFFontName(const QString& name);
    bool FFontBold() const;
    bool FFontItalic() const;
    bool FFontUnderline() const;
    std::int32_t FFontSize() const; // the sample's size, rounded half to even
    QString FFontName() const;

    const QString& tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }
    // The sample's font: the state of the window.
    QFont sampleFont() const;
    // Closed by its frame rather than hidden by a button: the caller makes it afresh next time.
    bool closedByFrame() const { return closedByFrame_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void sizeTextChanged(const QString& text);

    QString tag_;
    QString name_; // the typeface: the caller's, or the one chosen in the list
    bool closedByFrame_ = false;
    QListWidget* fonts_;
    QComboBox* size_;
    QCheckBox* bold_;
    QCheckBox* italic_;
    QCheckBox* underline_;
    QLabel* sample_;
};

} // namespace grivendale
