#pragma once

#include <QTextDocument>
#include <QTextEdit>

namespace mivo {

// A plain message that wraps to as many lines as it needs, at word boundaries
// and, for a token longer than a line (a path, an address), anywhere inside it:
// nothing is ever clipped. Read-only and selectable, so the text can be copied
// exactly as given; transparent over whatever surface holds it.
class MessageText : public QTextEdit {
    Q_OBJECT

public:
    explicit MessageText(QWidget* parent = nullptr);

    void setMessage(const QString& text);
    QString message() const { return toPlainText(); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void syncMeasure();

    // The text laid out at a width asked for, apart from the one shown.
    mutable QTextDocument m_measure;
};

} // namespace mivo
