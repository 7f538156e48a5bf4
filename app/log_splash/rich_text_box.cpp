#include "app/log_splash/rich_text_box.h"

#include <QTextCursor>

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent) {}

int32_t RichTextBox::TextLength() const {
    const QString text = toPlainText();
    return static_cast<int32_t>(text.size() + text.count(QLatin1Char('\n')));
}

void RichTextBox::AppendText(const QString& text) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(sel_colour_);
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    cursor.insertText(lines, format);
    setTextCursor(cursor);
    ensureCursorVisible();
}
