#include "app/log_splash/rich_text_box.h"

#include <QApplication>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "app/log_splash/banded_scroll_bar_style.h"

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent) {
    // Nobody edits the log: keeping every appended line for undo only costs time and memory.
    setUndoRedoEnabled(false);
    // Its scroll bars repaint with every line appended.
    auto* style = new BandedScrollBarStyle(QApplication::style()->name());
    style->setParent(this);
    verticalScrollBar()->setStyle(style);
    horizontalScrollBar()->setStyle(style);
    refresh_.set_interval(kRefreshMs);
    refresh_.set_on_tick([this] { RefreshTick(); });
}

namespace {

// The characters the document turns into paragraph separators; each counts two, like a line end.
bool EndsParagraph(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) || c == QChar(0xFDD1);
}

}  // namespace

int32_t RichTextBox::TextLength() const {
    // Counted from the document rather than from a copy of its text: the log asks before every line.
    // Each paragraph ends in one separator (the last one's is not text), and each line end counts two.
    const QTextDocument* doc = document();
    return static_cast<int32_t>(doc->characterCount() - 1 + doc->blockCount() - 1) + held_chars_;
}

void RichTextBox::AppendText(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (held_) {
        // Laying out and inserting each line on its own was the busy log's largest cost; held lines
        // go in together with the next refresh.
        if (held_lines_.empty() || held_lines_.back().colour != sel_colour_) held_lines_.push_back({sel_colour_, {}});
        held_lines_.back().text += lines;
        held_chars_ += static_cast<int32_t>(lines.size() + std::count_if(lines.begin(), lines.end(), EndsParagraph));
        return;
    }
    Insert(sel_colour_, lines);
    ShowEnd();
    held_ = true;
    refresh_.set_enabled(true);
}

void RichTextBox::Insert(const QColor& colour, const QString& lines) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(lines, format);
}

void RichTextBox::ShowHeldLines() {
    if (held_lines_.empty()) return;
    // One edit for them all: one layout pass, one change of the scroll bar's range, one repaint.
    QTextCursor batch(document());
    batch.beginEditBlock();
    for (const HeldLines& h : held_lines_) Insert(h.colour, h.text);
    batch.endEditBlock();
    held_lines_.clear();
    held_chars_ = 0;
    ShowEnd();
}

void RichTextBox::clear() {
    held_lines_.clear();
    held_chars_ = 0;
    QTextEdit::clear();
}

void RichTextBox::ShowEnd() {
    // The caret follows text inserted where it stands, so it is moved only when it stands elsewhere.
    const int end = document()->characterCount() - 1;
    if (textCursor().position() != end) {
        QTextCursor caret = textCursor();
        caret.setPosition(end);
        setTextCursor(caret);
    }
    ensureCursorVisible();
}

void RichTextBox::RefreshTick() {
    if (held_lines_.empty()) {
        held_ = false;
        refresh_.set_enabled(false);
        return;
    }
    ShowHeldLines();
}
