#pragma once

#include <QString>
#include <QWidget>

namespace mivo {

class LinearProgress;

// A thin bar pinned over the detail's groups: a title on the left, a one-line count
// summary on the right, on the chrome surface with a hairline along its bottom
// edge. Subclasses add an overall progress bar or a loading spinner.
class SummaryBar : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kRowHeight = 20;

    QString title() const { return m_title; }
    QString summaryLine() const { return m_line; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    explicit SummaryBar(QWidget* parent = nullptr);

    void setTexts(const QString& title, const QString& line);
    // A widget shown right after the title, vertically centred on the row.
    void setTitleAccessory(QWidget* accessory);
    // A progress bar under the row, shown while `shown`.
    LinearProgress* progress() const { return m_progress; }
    void setProgressShown(bool shown);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont titleFont() const;
    QFont lineFont() const;
    void place();

    QString m_title;
    QString m_line;
    QWidget* m_accessory = nullptr;
    LinearProgress* m_progress;
    bool m_progressShown = false;
};

} // namespace mivo
