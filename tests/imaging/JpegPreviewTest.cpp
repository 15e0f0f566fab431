// The reduced JPEG decode of our own against libjpeg-turbo's scaled decode of the same bytes.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "Fixtures.h"
#include "TestImages.h"
#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"
#include "imaging/DecodeInternal.h"
#include "imaging/JpegPreview.h"

using namespace picura;
using namespace picura::detail;

namespace {

// How a test file is written by libjpeg-turbo's encoder.
struct PreviewFile {
    int width = 64;
    int height = 48;
    int quality = 90;
    bool grey = false;
    int lumaH = 1, lumaV = 1;  // chroma is 1×1
    int restartMcus = 0;
    bool optimise = false;      // Huffman tables made for the picture instead of the standard ones
    bool sharedTables = false;  // chroma coded with the luma tables
    bool noisy = false;
    unsigned seed = 1;
};

QImage PreviewContent(const PreviewFile& f) {
    QImage image = test::MakePhotoLike(f.width, f.height, f.seed);
    if (f.noisy) {
        std::mt19937 rng(f.seed);
        std::uniform_int_distribution<int> grain(-40, 40);
        for (int y = 0; y < f.height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < f.width; ++x) {
                const QRgb p = line[x];
                line[x] =
                    qRgb(std::clamp(qRed(p) + grain(rng), 0, 255), std::clamp(qGreen(p) + grain(rng), 0, 255),
                         std::clamp(qBlue(p) + grain(rng), 0, 255));
            }
        }
    }
    return image;
}

QByteArray WritePreviewFile(const PreviewFile& f) {
    const QImage image = PreviewContent(f);
    std::vector<unsigned char> row(static_cast<std::size_t>(f.width) * 3);
    return test::CompressWithLibjpeg(
        f.width, f.height, f.grey ? 1 : 3, f.grey ? JCS_GRAYSCALE : JCS_RGB, f.quality,
        [&](jpeg_compress_struct& cinfo) {
            cinfo.optimize_coding = f.optimise ? TRUE : FALSE;
            cinfo.restart_interval = static_cast<unsigned>(f.restartMcus);
            if (f.grey) {
                return;
            }
            cinfo.comp_info[0].h_samp_factor = f.lumaH;
            cinfo.comp_info[0].v_samp_factor = f.lumaV;
            for (int c = 1; c < 3; ++c) {
                cinfo.comp_info[c].h_samp_factor = 1;
                cinfo.comp_info[c].v_samp_factor = 1;
                if (f.sharedTables) {
                    cinfo.comp_info[c].dc_tbl_no = 0;
                    cinfo.comp_info[c].ac_tbl_no = 0;
                }
            }
        },
        [&](int y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < f.width; ++x) {
                if (f.grey) {
                    row[std::size_t(x)] = static_cast<unsigned char>(qGray(line[x]));
                } else {
                    row[std::size_t(x) * 3] = static_cast<unsigned char>(qRed(line[x]));
                    row[std::size_t(x) * 3 + 1] = static_cast<unsigned char>(qGreen(line[x]));
                    row[std::size_t(x) * 3 + 2] = static_cast<unsigned char>(qBlue(line[x]));
                }
            }
            return row.data();
        });
}

const std::uint8_t* Data(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

QImage Preview(const QByteArray& bytes, int denominator, const JpegPreviewOptions& options = {},
               QSize* shown = nullptr) {
    SizeCheck check(kDefaultMaxPicturePixels);
    return DecodeJpegPreview(Data(bytes), std::size_t(bytes.size()), denominator, check, shown, options);
}

QImage Libjpeg(const QByteArray& bytes, int denominator) {
    SizeCheck check(kDefaultMaxPicturePixels);
    return DecodeJpegBytes(Data(bytes), std::size_t(bytes.size()), check, denominator);
}

// Our decode equals libjpeg-turbo's on every pixel. No difference is allowed: the decoder reproduces
// libjpeg-turbo's integer arithmetic step by step (its 1×1, SSE2 2×2/4×4 and AVX2 8×8 IDCTs, its upsampling
// and its SIMD colour conversion), so any difference is a fault, not rounding.
void ExpectSameAsLibjpeg(const QByteArray& bytes, int denominator, const char* what) {
    const QImage ours = Preview(bytes, denominator);
    const QImage theirs = Libjpeg(bytes, denominator);
    ASSERT_FALSE(theirs.isNull()) << what;
    ASSERT_FALSE(ours.isNull()) << what << " was not handled";
    ASSERT_EQ(ours.size(), theirs.size()) << what;
    EXPECT_EQ(test::MaxChannelDifference(ours, theirs), 0) << what << " at 1/" << denominator;
}

// The same with a second thread that parses from a sixth, a third, a half and two thirds of the scan before
// the first thread starts: the MCUs it keeps, their DC terms unknown until the threads meet, come out as
// libjpeg's.
void ExpectSplitSameAsLibjpeg(const QByteArray& bytes, int denominator, const char* what) {
    const QImage theirs = Libjpeg(bytes, denominator);
    int met = 0;
    for (const int sixths : {1, 2, 3, 4}) {
        JpegPreviewStats stats;
        JpegPreviewOptions options;
        options.secondStart = bytes.size() * sixths / 6;
        options.secondFirst = true;
        options.stats = &stats;
        const QImage ours = Preview(bytes, denominator, options);
        ASSERT_FALSE(ours.isNull()) << what << " was not handled";
        EXPECT_EQ(test::MaxChannelDifference(ours, theirs), 0)
            << what << " at 1/" << denominator << ", second thread at " << options.secondStart;
        met += stats.met ? 1 : 0;
    }
    EXPECT_GE(met, 2) << what << " at 1/" << denominator << ": the threads hardly met";
}

TEST(JpegPreview, EqualsLibjpegForEveryLayoutSizeAndQuality) {
    struct Layout {
        const char* name;
        bool grey;
        int h, v;
    };
    const Layout layouts[] = {{"grey", true, 1, 1},
                              {"4:4:4", false, 1, 1},
                              {"4:2:2", false, 2, 1},
                              {"4:2:0", false, 2, 2},
                              {"4:4:0", false, 1, 2}};
    const QSize sizes[] = {{1, 1}, {17, 9}, {12, 12}, {33, 65}, {64, 48}, {203, 118}};
    for (const Layout& layout : layouts) {
        for (const QSize size : sizes) {
            for (const int quality : {50, 100}) {
                for (const bool noisy : {false, true}) {
                    PreviewFile f;
                    f.grey = layout.grey;
                    f.lumaH = layout.h;
                    f.lumaV = layout.v;
                    f.width = size.width();
                    f.height = size.height();
                    f.quality = quality;
                    f.noisy = noisy;
                    f.optimise = noisy;
                    const QByteArray bytes = WritePreviewFile(f);
                    const std::string what = std::string(layout.name) + " " + std::to_string(f.width) + "x" +
                                             std::to_string(f.height) + " q" + std::to_string(quality) +
                                             (noisy ? " noisy" : " photo");
                    for (const int d : {8, 4, 2}) {
                        ExpectSameAsLibjpeg(bytes, d, what.c_str());
                    }
                }
            }
        }
    }
}

TEST(JpegPreview, TermsAtTheLimitsAreTakenAsLibjpegTakesThem) {
    // DC terms climbing to 32000 and back by steps a DC difference can code (the same in all blocks of an
    // MCU, one step from MCU to MCU and from each row's end to the next row's start, starting at 0), AC
    // terms, large in some blocks and small in the others: the IDCTs' 16-bit products, sums and shortcuts
    // wrap or saturate as libjpeg-turbo's do.
    const QByteArray bytes = test::CompressTermsWithLibjpeg(384, 256, [](int c, int bx, int by, int k) {
        const int mx = c == 0 ? bx / 2 : bx;
        const int my = c == 0 ? by / 2 : by;
        const int step = (mx + my * 24) % 32;
        if (k == 0) {
            return JCOEF((step < 16 ? step : 32 - step) * 2000 * (c == 2 ? -1 : 1));
        }
        if ((bx + by) % 3 == 0 && (k == 8 || k == 1 || k == 63)) {
            return JCOEF(k == 63 ? -1000 : 1000);
        }
        // Small terms, whose codes come two at a time: runs of 15 and 16 zeros (zigzag 1, 17, 34, 63)
        // and the last few terms of a block (zigzag 60 to 63), right before the next block's DC term.
        if ((bx + by) % 3 == 1) {
            return JCOEF(k == 1 ? 1 : k == 19 ? -1 : k == 49 ? 3 : k == 63 ? -2 : 0);
        }
        // And a term that varies from block to block, so that a parse started out of step finds the MCUs.
        const int varying = (bx * 7 + by * 13 + c * 5) % 9 - 4;
        return JCOEF(k == 2 ? varying : k == 47 ? 1 : k == 55 ? -1 : k == 62 ? 2 : k == 63 ? 1 : 0);
    });
    for (const int d : {8, 4, 2}) {
        ExpectSameAsLibjpeg(bytes, d, "terms at the limits");
        ExpectSplitSameAsLibjpeg(bytes, d, "terms at the limits");
    }
    // Every DC difference 0, whose code in a colour block ("00") is also the colour AC table's end of
    // block: a block whose last term, at zigzag 63, comes after 62 short codes is followed by bits that
    // read as its end.
    const QByteArray flat = test::CompressTermsWithLibjpeg(64, 48, [](int, int bx, int by, int k) {
        if ((bx + by) % 2 == 0) {
            return JCOEF(k == 0 ? 0 : k % 3 == 0 ? -1 : 1);
        }
        return JCOEF(k == 1 ? -1 : k == 49 ? 2 : k == 63 ? 3 : 0);
    });
    for (const int d : {8, 4, 2}) {
        ExpectSameAsLibjpeg(flat, d, "a last term before the next block");
    }
}

TEST(JpegPreview, EqualsLibjpegWithRestartIntervals) {
    for (const int h : {1, 2}) {
        for (const int restart : {1, 3, 7}) {
            PreviewFile f;
            f.width = 77;
            f.height = 53;
            f.lumaH = h;
            f.lumaV = h;
            f.restartMcus = restart;
            f.noisy = true;
            const QByteArray bytes = WritePreviewFile(f);
            for (const int d : {8, 4, 2}) {
                ExpectSameAsLibjpeg(bytes, d, "restart");
            }
        }
    }
}

TEST(JpegPreview, TurnsAsTheExifTagSaysAndReportsTheShownSize) {
    PreviewFile f;
    f.width = 90;
    f.height = 40;
    const QByteArray bytes = test::WithExifOrientation(WritePreviewFile(f), 6);
    QSize shown;
    const QImage ours = Preview(bytes, 8, {}, &shown);
    EXPECT_EQ(shown, QSize(40, 90));
    EXPECT_EQ(ours.size(), QSize(5, 12));
    EXPECT_EQ(test::MaxChannelDifference(ours, Libjpeg(bytes, 8)), 0);
}

// What the split runs of one test did: runs where the first thread waited for the second's parse, how many
// of those joined it, and the most MCUs a second parse went through out of step before joining.
struct SplitTally {
    int waited = 0;
    int met = 0;
    std::int64_t mostSkipped = 0;
};

// The second thread started at many places of the scan gives exactly what one thread gives.
void ExpectSplitsAgree(const PreviewFile& f, int denominator, SplitTally* tally) {
    const QByteArray bytes = WritePreviewFile(f);
    JpegPreviewOptions single;
    single.secondStart = -2;
    const QImage reference = Preview(bytes, denominator, single);
    ASSERT_FALSE(reference.isNull());
    ASSERT_EQ(test::MaxChannelDifference(reference, Libjpeg(bytes, denominator)), 0);
    for (std::int64_t start = 0; start < bytes.size(); start += 1 + start / 9) {
        JpegPreviewStats stats;
        JpegPreviewOptions options;
        options.secondStart = start;
        options.secondFirst = start % 2 == 0;
        options.stats = &stats;
        const QImage split = Preview(bytes, denominator, options);
        ASSERT_FALSE(split.isNull()) << "second thread at byte " << start;
        ASSERT_EQ(test::MaxChannelDifference(split, reference), 0) << "second thread at byte " << start;
        if (stats.split && options.secondFirst) {
            ++tally->waited;
            if (stats.met || stats.atRestart) {
                ++tally->met;
                tally->mostSkipped = std::max(tally->mostSkipped, stats.skippedMcus);
            }
        }
    }
}

TEST(JpegPreview, ASecondThreadStartedAnywhereGivesTheSameResult) {
    SplitTally tally;
    for (const int h : {1, 2}) {
        PreviewFile f;
        f.width = 160;
        f.height = 96;
        f.lumaH = h;
        f.lumaV = h;
        f.noisy = true;
        f.quality = 95;
        ExpectSplitsAgree(f, 8, &tally);
        ExpectSplitsAgree(f, 4, &tally);
        ExpectSplitsAgree(f, 2, &tally);
    }
    // With separate luma and chroma tables a guessed parse finds the true one within a few dozen MCUs.
    EXPECT_GT(tally.waited, 40);
    EXPECT_EQ(tally.met, tally.waited);
    EXPECT_LT(tally.mostSkipped, 40);
}

TEST(JpegPreview, ParsesThatNeverMeetStillGiveTheSameResult) {
    // With one set of tables for luma and chroma a guessed parse can stay a block out of step for good.
    SplitTally tally;
    PreviewFile f;
    f.width = 120;
    f.height = 64;
    f.sharedTables = true;
    f.quality = 75;
    ExpectSplitsAgree(f, 8, &tally);
    f.grey = true;
    ExpectSplitsAgree(f, 4, &tally);
    f.grey = false;
    ExpectSplitsAgree(f, 2, &tally);
    EXPECT_GT(tally.waited, 40);
    EXPECT_LT(tally.met, tally.waited);
}

TEST(JpegPreview, RestartMarkersSplitTheScanExactly) {
    SplitTally tally;
    PreviewFile f;
    f.width = 150;
    f.height = 70;
    f.lumaH = 2;
    f.restartMcus = 5;
    f.noisy = true;
    ExpectSplitsAgree(f, 8, &tally);
    ExpectSplitsAgree(f, 4, &tally);
    EXPECT_GT(tally.waited, 40);
    EXPECT_EQ(tally.met, tally.waited);
}

// ---------------------------------------------------------------------------------------------------------
// Data it must leave to libjpeg, or refuse

// Where the scan starts: right after the SOS segment.
int ScanStart(const QByteArray& bytes) {
    for (int i = 2; i + 3 < bytes.size(); ++i) {
        if (std::uint8_t(bytes[i]) == 0xFF && std::uint8_t(bytes[i + 1]) == 0xDA) {
            return i + 2 + ((std::uint8_t(bytes[i + 2]) << 8) | std::uint8_t(bytes[i + 3]));
        }
    }
    return -1;
}

int FindMarker(const QByteArray& bytes, int marker) {
    for (int i = 2; i + 1 < bytes.size(); ++i) {
        if (std::uint8_t(bytes[i]) == 0xFF && std::uint8_t(bytes[i + 1]) == marker) {
            return i;
        }
    }
    return -1;
}

TEST(JpegPreview, AFileCutShortIsNeverShown) {
    for (const int restart : {0, 2}) {
        PreviewFile f;
        f.width = 70;
        f.height = 50;
        f.lumaH = 2;
        f.lumaV = 2;
        f.restartMcus = restart;
        f.noisy = true;
        const QByteArray bytes = WritePreviewFile(f);
        for (int cut = 0; cut < bytes.size() - 2; cut += 1 + cut / 50) {
            const QByteArray head = bytes.left(cut);
            EXPECT_TRUE(Preview(head, 8).isNull()) << "cut at " << cut;
            // A cut file with an end marker put back is refused too.
            EXPECT_TRUE(Preview(head + test::Bytes({0xFF, 0xD9}), 4).isNull()) << "cut at " << cut;
        }
        // Without its end marker the file is left to libjpeg, which may read past the end.
        EXPECT_TRUE(Preview(bytes.left(bytes.size() - 2), 8).isNull());
        EXPECT_FALSE(Preview(bytes, 8).isNull());
    }
}

TEST(JpegPreview, AnIntervalIsReadOnlyUpToItsRestartMarker) {
    // Written with a marker after every MCU, then told that the markers come every 1000 MCUs: the first
    // interval's data ends long before the MCUs it should hold.
    PreviewFile f;
    f.width = 48;
    f.height = 32;
    f.restartMcus = 1;
    f.noisy = true;
    QByteArray bytes = WritePreviewFile(f);
    ASSERT_FALSE(Preview(bytes, 8).isNull());
    const int dri = FindMarker(bytes, 0xDD);
    ASSERT_GT(dri, 0);
    bytes[dri + 4] = char(1000 >> 8);
    bytes[dri + 5] = char(1000 & 0xFF);
    EXPECT_TRUE(Libjpeg(bytes, 8).isNull());
    EXPECT_TRUE(Preview(bytes, 8).isNull());
    EXPECT_TRUE(Preview(bytes, 4).isNull());
}

TEST(JpegPreview, FillBytesBeforeAStuffedByteAreLeftToLibjpeg) {
    // FF FF 00 in the scan: libjpeg's fast and slow paths read it differently.
    PreviewFile f;
    f.width = 64;
    f.height = 64;
    f.noisy = true;
    const QByteArray bytes = WritePreviewFile(f);
    const int stuffed = bytes.indexOf(QByteArray("\xFF\x00", 2), ScanStart(bytes));
    ASSERT_GT(stuffed, 0);
    QByteArray filled = bytes;
    filled.insert(stuffed, char(0xFF));
    EXPECT_FALSE(Preview(bytes, 8).isNull());
    EXPECT_TRUE(Preview(filled, 8).isNull());
    EXPECT_TRUE(Preview(filled, 4).isNull());
}

void ExpectCorruptionsHandled(const QByteArray& bytes) {
    const int scan = ScanStart(bytes);
    ASSERT_GT(scan, 0);
    std::mt19937 rng(3);
    int refused = 0;
    for (int trial = 0; trial < 300; ++trial) {
        QByteArray bad = bytes;
        const int at = scan + int(rng() % unsigned(bytes.size() - 2 - scan));
        bad[at] = char(rng() & 0xFF);
        for (const int d : {8, 4, 2}) {
            JpegPreviewOptions options;
            options.secondStart = trial % 2 == 0 ? -2 : (at - scan) / 2;
            options.splitSmall = true;
            const QImage ours = Preview(bad, d, options);
            if (ours.isNull()) {
                ++refused;
                continue;
            }
            EXPECT_EQ(test::MaxChannelDifference(ours, Libjpeg(bad, d)), 0) << "byte " << at;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(JpegPreview, CorruptScanDataIsRefusedOrDecodedAsLibjpegDecodesIt) {
    for (const int restart : {0, 2}) {
        PreviewFile f;
        f.width = 80;
        f.height = 60;
        f.noisy = true;
        f.restartMcus = restart;
        ExpectCorruptionsHandled(WritePreviewFile(f));
    }
}

TEST(JpegPreview, ADecodeThatFailsOnOneThreadFailsOnTwo) {
    // A block's data broken well into the scan: the thread that meets it stops both.
    for (const int restart : {0, 4}) {
        PreviewFile f;
        f.width = 96;
        f.height = 96;
        f.noisy = true;
        f.restartMcus = restart;
        QByteArray bytes = WritePreviewFile(f);
        const int scan = ScanStart(bytes);
        for (int at = scan + (bytes.size() - scan) / 3; at < bytes.size() - 2;
             at += (bytes.size() - scan) / 7) {
            QByteArray bad = bytes;
            bad.replace(at, 8, QByteArray("\xFF\x00\xFF\x00\xFF\x00\xFF\x00", 8));  // ones: no code
            JpegPreviewOptions single;
            single.secondStart = -2;
            const bool refused = Preview(bad, 8, single).isNull();
            EXPECT_TRUE(refused) << "byte " << at;
            for (const std::int64_t start :
                 {std::int64_t(1), std::int64_t(bad.size() / 3), std::int64_t(bad.size() / 2)}) {
                JpegPreviewOptions split;
                split.secondStart = start;
                split.splitSmall = true;
                EXPECT_EQ(Preview(bad, 8, split).isNull(), refused)
                    << "byte " << at << " restart " << restart;
            }
        }
    }
}

TEST(JpegPreview, HeadersItDoesNotHandleAreLeftToLibjpeg) {
    PreviewFile f;
    f.width = 40;
    f.height = 40;
    f.lumaH = 2;
    f.lumaV = 2;
    const QByteArray good = WritePreviewFile(f);
    ASSERT_FALSE(Preview(good, 8).isNull());
    const int sof = FindMarker(good, 0xC0);
    const int dht = FindMarker(good, 0xC4);
    const int sos = FindMarker(good, 0xDA);
    ASSERT_GT(sof, 0);
    ASSERT_GT(dht, 0);
    ASSERT_GT(sos, 0);
    auto changed = [&](int at, int value) {
        QByteArray b = good;
        b[at] = char(value);
        return b;
    };
    // SOF: FF C0 len(2) precision height(2) width(2) count, then id hv tq per component.
    EXPECT_TRUE(Preview(changed(sof + 1, 0xC2), 8).isNull()) << "progressive";
    EXPECT_TRUE(Preview(changed(sof + 1, 0xC9), 8).isNull()) << "arithmetic";
    EXPECT_TRUE(Preview(changed(sof + 4, 12), 8).isNull()) << "12-bit";
    QByteArray dnl = changed(sof + 5, 0);
    dnl[sof + 6] = 0;
    EXPECT_TRUE(Preview(dnl, 8).isNull()) << "height from a DNL marker";
    EXPECT_TRUE(Preview(changed(sof + 10, 0x31), 8).isNull()) << "4:1:1-like luma";
    EXPECT_TRUE(Preview(changed(sof + 10, 0x05), 8).isNull()) << "bogus sampling factor";
    EXPECT_TRUE(Preview(changed(sof + 13, 0x21), 8).isNull()) << "subsampled luma, full chroma";
    EXPECT_TRUE(Preview(changed(sof + 11, 3), 8).isNull()) << "undefined quantisation table";
    // DHT: FF C4 len(2) class/id, 16 counts. Too many short codes.
    EXPECT_TRUE(Preview(changed(dht + 5, 3), 8).isNull()) << "three 1-bit codes";
    EXPECT_TRUE(Preview(changed(dht + 6, 4), 8).isNull()) << "four 2-bit codes, one of them all ones";
    EXPECT_TRUE(Preview(changed(dht + 4, 0x25), 8).isNull()) << "bad table class";
    // SOS: FF DA len(2) count, then selector and tables per component, Ss Se AhAl.
    EXPECT_TRUE(Preview(changed(sos + 6, 0x33), 8).isNull()) << "undefined Huffman tables";
    EXPECT_TRUE(Preview(changed(sos + 11, 0x01), 8).isNull()) << "successive approximation";
    EXPECT_TRUE(Preview(changed(sos + 5, 9), 8).isNull()) << "unknown component";
    // An Adobe segment (colour transform) is libjpeg's business.
    QByteArray adobe = good;
    adobe.insert(2, test::Bytes({0xFF, 0xEE, 0x00, 0x0E, 'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 1}));
    EXPECT_TRUE(Preview(adobe, 8).isNull());
    // No full-size decode.
    EXPECT_TRUE(Preview(good, 1).isNull());
    // Every single byte of the headers changed to a few values: refused or still equal to libjpeg.
    for (int at = 2; at < ScanStart(good); ++at) {
        for (const int value : {0x00, 0x01, 0x11, 0x7F, 0xFF}) {
            const QByteArray bad = changed(at, value);
            for (const int d : {4, 2}) {
                const QImage ours = Preview(bad, d);
                if (!ours.isNull()) {
                    EXPECT_EQ(test::MaxChannelDifference(ours, Libjpeg(bad, d)), 0)
                        << "byte " << at << " = " << value << " at 1/" << d;
                }
            }
        }
    }
}

TEST(JpegPreview, ThePixelBudgetAppliesToTheFullSize) {
    PreviewFile f;
    f.width = 300;
    f.height = 200;
    const QByteArray bytes = WritePreviewFile(f);
    SizeCheck check(300 * 200 - 1);
    EXPECT_TRUE(DecodeJpegPreview(Data(bytes), std::size_t(bytes.size()), 8, check, nullptr).isNull());
    EXPECT_TRUE(check.tooLarge());
    const DecodeResult reduced = DecodeJpegReduced(bytes, 8, 300 * 200 - 1);
    EXPECT_EQ(reduced.error, DecodeError::TooLarge);
}

TEST(JpegPreview, TheReducedOpenUsesItAndMatchesLibjpeg) {
    PreviewFile f;
    f.width = 640;
    f.height = 480;
    f.lumaH = 2;
    f.lumaV = 2;
    f.quality = 92;
    const QByteArray bytes = WritePreviewFile(f);
    for (const int d : {8, 4, 2}) {
        const DecodeResult reduced = DecodeJpegReduced(bytes, d, kDefaultMaxPicturePixels);
        ASSERT_EQ(reduced.error, DecodeError::None);
        EXPECT_EQ(reduced.declaredSize, QSize(640, 480));
        EXPECT_EQ(test::MaxChannelDifference(reduced.picture.pixels(), Libjpeg(bytes, d)), 0);
    }
}

}  // namespace
