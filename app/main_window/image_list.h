#pragma once
// The main window's image list of 24 x 24 lamps, numbered from 1: 1 red (no answer, off),
// 2 green (online, on), 3 amber (end device, not pinged).
#include <QPixmap>
#include <vector>

class ImageList {
public:
    static constexpr int kIconSize = 24;

    ImageList();

    int Count() const { return static_cast<int>(images_.size()); }
    // Image `index` (1-based); an index outside 1..Count() throws std::out_of_range.
    const QPixmap& ListImages(int index) const;

private:
    std::vector<QPixmap> images_;
};
