#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>

#include "imaging/DecodeInternal.h"

// A reduced decode of the common JPEG files (baseline or extended sequential, Huffman, 8-bit, one
// interleaved scan, grey or YCbCr with 4:4:4, 4:2:2, 4:2:0 or 4:4:0 colour planes) at 1/2, 1/4 or 1/8 of
// their size, on two threads. It gives the same pixels as libjpeg-turbo's own scaled decode with the settings
// DecodeJpegBytes uses; anything it does not handle, or anything wrong with the data, is left to that decode.
namespace picura::detail {

// How a two-thread decode went, for tests and benchmarks.
struct JpegPreviewStats {
    bool split = false;            // a second thread decoded part of the scan
    bool atRestart = false;        // ... from a restart marker (exact), otherwise from a guessed position
    bool met = false;              // the guessed decode joined the first thread's
    bool resumed = false;          // the first thread took over where the second one's parse stopped early
    std::int64_t mcus = 0;         // MCUs in the scan
    std::int64_t meetMcu = -1;     // the MCU at which the first thread stopped
    std::int64_t skippedMcus = 0;  // MCUs the second thread parsed out of step before joining
    std::int64_t meetDistanceBits = 0;  // bits from the second thread's start to the joining point
    // Wall time of the steps: the headers, tables and the scan's data made ready; the decode on one or two
    // threads; the colour conversion.
    double setUpMs = 0, decodeMs = 0, colourMs = 0;
};

struct JpegPreviewOptions {
    // Where the second thread starts, in bytes of the scan's data with the stuffed zero bytes removed; -1
    // lets the decoder choose (the middle), -2 decodes on one thread. With restart markers any place splits
    // the scan: both threads then take groups of restart intervals in turn.
    std::int64_t secondStart = -1;
    // Split even a small scan (the decoder otherwise keeps small scans on one thread).
    bool splitSmall = false;
    // The first thread starts only once the second has finished its guessed parse, so that the two join
    // wherever their parses can (the first thread is otherwise often done before the second starts).
    bool secondFirst = false;
    JpegPreviewStats* stats = nullptr;
};

// Decodes `data` at 1/`denominator` (2, 4 or 8) into an RGB32 image turned as its Exif orientation says, and
// sets `shownSize` to the full size as shown. A null image means "not handled": the caller decodes with
// libjpeg-turbo (which also refuses what is broken). The picture's full size is checked against `check`
// before any memory is taken for it.
QImage DecodeJpegPreview(const std::uint8_t* data, std::size_t size, int denominator, SizeCheck& check,
                         QSize* shownSize, const JpegPreviewOptions& options = {});

}  // namespace picura::detail
