#pragma once

// Ctrl+Z for marks: the picture as it was before each pen stroke or committed text, newest last.

#include "imaging/Picture.h"

#include <QImage>

#include <cstddef>
#include <deque>
#include <optional>

namespace picura {

class MarkHistory {
  public:
    static constexpr std::size_t kDefaultSteps = 20;
    static constexpr qsizetype kDefaultByteCap = qsizetype(512) * 1024 * 1024;

    explicit MarkHistory(std::size_t maxSteps = kDefaultSteps, qsizetype maxBytes = kDefaultByteCap);

    // Call just before a mark is baked, with the picture it is baked over. The oldest entries go when
    // there are more than maxSteps or they hold more than maxBytes of pixels together; a picture larger
    // than maxBytes on its own is not kept (that mark cannot be undone, the earlier ones still can).
    void record(const Picture& before);
    // The picture before the last mark, removed from the history; none when there is nothing to undo.
    std::optional<Picture> undo();
    // A new picture was shown (opened, pasted, photographed, batch navigation): its marks start afresh.
    void clear();

    bool canUndo() const { return !entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    qsizetype bytes() const { return bytes_; }

  private:
    void dropOldest();

    std::size_t maxSteps_;
    qsizetype maxBytes_;
    std::deque<QImage> entries_;
    qsizetype bytes_ = 0;
};

}  // namespace picura
