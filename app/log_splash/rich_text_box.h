#pragma once
// The log's rich text box: coloured text per line, an insertion colour that stays until changed, and
// the classic character count in which a line end (CR LF) counts two.
#include <QColor>
#include <QTextEdit>
#include <cstdint>

class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    int32_t TextLength() const;

    // Colour of the text inserted from now on.
    void SetSelColor(const QColor& colour) { sel_colour_ = colour; }
    QColor SelColor() const { return sel_colour_; }

    // Inserts at the end in the insertion colour and leaves the caret there; "\r\n" ends a line.
    void AppendText(const QString& text);

private:
    QColor sel_colour_ = Qt::black;
};
