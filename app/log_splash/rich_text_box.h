#pragma once
// The log's rich text box: coloured text per line, an insertion colour that stays until changed, and
// the classic character count in which a line end (CR LF) counts two.
#include <QColor>
#include <QTextEdit>
#include <cstdint>

#include "platform/timer.h"

class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    int32_t TextLength() const;

    // Colour of the text inserted from now on.
    void SetSelColor(const QColor& colour) { sel_colour_ = colour; }
    QColor SelColor() const { return sel_colour_; }

    // Inserts at the end in the insertion colour and leaves the caret there; "\r\n" ends a line.
    // The text is in the document at once; the screen shows it at once when the box has been quiet,
    // and otherwise with the next refresh, at most kRefreshMs later.
    void AppendText(const QString& text);

    static constexpr uint16_t kRefreshMs = 1000;

private:
    void ShowEnd();
    void RefreshTick();

    QColor sel_colour_ = Qt::black;
    // A busy network logs a dozen lines a second: scrolling the box and repainting it for each one
    // was most of the program's CPU. Lines that arrive within a refresh period are scrolled into view
    // together; until then they wait below the visible part, where they cost no painting.
    platform::Timer refresh_;
    bool held_ = false;   // a line was shown less than a refresh period ago
    bool stale_ = false;  // lines arrived since, not yet on the screen
};
