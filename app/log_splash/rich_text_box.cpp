#include "app/log_splash/rich_text_box.h"

#include <QApplication>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "app/log_splash/banded_scroll_bar_style.h"

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent) {
    // Nobody edits the log: keeping every appended line for undo only costs time and memory.
    setUndoRedoEnabled(false);
    // Its scroll bars repaint with every line appended.
    auto* style = new BandedScrollBarStyle(QApplication::style()->name());
    style->setParent(this);
    verticalScrollBar()->setStyle(style);
    horizontalScrollBar()->setStyle(style);
}

int32_t RichTextBox::TextLength() const {
    // Counted from the document rather than from a copy of its text: the log asks before every line.
    // Each paragraph ends in one separator (the last one's is not text), and each line end counts two.
    const QTextDocument* doc = document();
    return static_cast<int32_t>(doc->characterCount() - 1 + doc->blockCount() - 1);
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
