#pragma once
// The log's rich text box: coloured text per line, an insertion colour that stays until changed, and
// the classic character count in which a line end (CR LF) counts two.
#include <QColor>
#include <QTextEdit>
#include <cstdint>
#include <vector>

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
    // A line after a quiet spell goes into the document and onto the screen at once; lines that come
    // while the log is busy are held and go in together with the next refresh, at most kRefreshMs
    // later. TextLength counts them at once.
    void AppendText(const QString& text);
    // Puts the held lines into the document now (for whoever reads the document itself).
    void ShowHeldLines();
    // Empties the box, held lines included.
    void clear();

    static constexpr uint16_t kRefreshMs = 1000;

private:
    void Insert(const QColor& colour, const QString& lines);
    void ShowEnd();
    void RefreshTick();

    QColor sel_colour_ = Qt::black;
    // A busy network logs a dozen lines a second: inserting, scrolling and repainting for each one
    // was most of the program's CPU.
    platform::Timer refresh_;
    bool held_ = false;  // a line was shown less than a refresh period ago
    struct HeldLines {
        QColor colour;
        QString text;
    };
    std::vector<HeldLines> held_lines_;
    int32_t held_chars_ = 0;
};
