#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "output/JpegSizeSearch.h"

using namespace picura;

namespace {

// Sizes chosen by the test; records the qualities asked for. Each encoding's
// bytes are filled with its quality so the test can tell which one came back.
// `knownLarger`, when given, answers largerThan (the qualities it was asked
// about go to `asked`).
class FakeEncoder final : public QualityEncoder {
  public:
    explicit FakeEncoder(std::function<qint64(int)> size, std::function<bool(int, qint64)> knownLarger = {})
        : size_(std::move(size)), knownLarger_(std::move(knownLarger)) {}
    QByteArray encode(int quality) override {
        tried.push_back(quality);
        return QByteArray(size_(quality), static_cast<char>(quality));
    }
    bool largerThan(int quality, qint64 limitBytes) override {
        if (!knownLarger_) {
            return false;
        }
        asked.push_back(quality);
        return knownLarger_(quality, limitBytes);
    }
    std::vector<int> tried;
    std::vector<int> asked;

  private:
    std::function<qint64(int)> size_;
    std::function<bool(int, qint64)> knownLarger_;
};

std::vector<int> Coarse(int downTo) {
    std::vector<int> q;
    for (int v = 100; v >= downTo; v -= 5) {
        q.push_back(v);
    }
    return q;
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void ExpectFrom(const EncodeResult& r, int quality, qint64 size) {
    EXPECT_EQ(r.quality, quality);
    ASSERT_EQ(r.bytes.size(), size);
    EXPECT_EQ(r.bytes.front(), static_cast<char>(quality));
}

// Larger at higher quality: 1000 + 100 × quality bytes.
qint64 Linear(int q) {
    return 1000 + 100 * q;
}

TEST(JpegSizeSearch, FitsAtOneHundredWithoutFinePass) {
    FakeEncoder enc(Linear);
    const EncodeResult r = SearchJpegQuality(enc, Linear(100));  // exactly the limit fits
    EXPECT_EQ(enc.tried, std::vector<int>{100});
    EXPECT_TRUE(r.ok);
    ExpectFrom(r, 100, Linear(100));
}

TEST(JpegSizeSearch, FinePassClimbsFourAboveTheFirstFit) {
    FakeEncoder enc(Linear);
    const EncodeResult r = SearchJpegQuality(enc, Linear(74) + 50);
    EXPECT_EQ(enc.tried, Concat(Coarse(70), {71, 72, 73, 74}));
    EXPECT_TRUE(r.ok);
    ExpectFrom(r, 74, Linear(74));
}

TEST(JpegSizeSearch, FinePassStopsAtTheFirstMissEvenIfALaterOneFits) {
    // 72 is oddly large; 73 and 74 would fit again.
    FakeEncoder enc([](int q) { return q == 72 ? qint64(1'000'000) : Linear(q); });
    const EncodeResult r = SearchJpegQuality(enc, Linear(74));
    EXPECT_EQ(enc.tried, Concat(Coarse(70), {71, 72}));
    EXPECT_TRUE(r.ok);
    ExpectFrom(r, 71, Linear(71));
    EXPECT_EQ(r.lastSize, 1'000'000);  // the latest attempt, not the kept one
}

TEST(JpegSizeSearch, FinePassNeverPassesOneHundred) {
    FakeEncoder enc([](int q) { return q == 100 ? qint64(5000) : qint64(100); });
    const EncodeResult r = SearchJpegQuality(enc, 1000);
    EXPECT_EQ(enc.tried, (std::vector<int>{100, 95, 96, 97, 98, 99}));
    ExpectFrom(r, 99, 100);
}

TEST(JpegSizeSearch, FitsOnlyAtZero) {
    FakeEncoder enc(Linear);
    const EncodeResult r = SearchJpegQuality(enc, Linear(0));
    EXPECT_EQ(enc.tried, Concat(Coarse(0), {1}));
    EXPECT_TRUE(r.ok);
    ExpectFrom(r, 0, Linear(0));
}

TEST(JpegSizeSearch, AtMostTwentyFiveEncodings) {
    // Everything from 0 to 4 fits, 5 and above do not: 21 coarse + 4 fine.
    FakeEncoder enc([](int q) { return q <= 4 ? qint64(10) : qint64(10'000); });
    const EncodeResult r = SearchJpegQuality(enc, 10);
    EXPECT_EQ(enc.tried, Concat(Coarse(0), {1, 2, 3, 4}));
    EXPECT_EQ(enc.tried.size(), size_t(kMaxJpegEncodings));
    ExpectFrom(r, 4, 10);
}

TEST(JpegSizeSearch, NeverFitsGivesQualityZeroAndItsSize) {
    FakeEncoder enc(Linear);
    const EncodeResult r = SearchJpegQuality(enc, Linear(0) - 1);
    EXPECT_EQ(enc.tried, Coarse(0));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.lastSize, Linear(0));
    ExpectFrom(r, 0, Linear(0));
}

TEST(JpegSizeSearch, AnEncoderFailureIsNotTakenForAFit) {
    FakeEncoder enc([](int q) { return q == 100 ? qint64(0) : Linear(q); });
    const EncodeResult r = SearchJpegQuality(enc, 1'000'000);
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.bytes.isEmpty());
    EXPECT_EQ(enc.tried, std::vector<int>{100});

    // A failure during the fine pass keeps the fit already found.
    FakeEncoder late([](int q) { return q == 72 ? qint64(0) : Linear(q); });
    const EncodeResult kept = SearchJpegQuality(late, Linear(74));
    EXPECT_FALSE(kept.failed);
    ExpectFrom(kept, 71, Linear(71));
}

// An encoder that knows its sizes exactly: what it rules out is not encoded,
// the qualities are considered in the same order and the result is the same.
TEST(JpegSizeSearch, QualitiesKnownToBeLargerAreNotEncoded) {
    const qint64 limit = Linear(74) + 50;
    FakeEncoder enc(Linear, [](int q, qint64 limitBytes) { return Linear(q) > limitBytes; });
    const EncodeResult r = SearchJpegQuality(enc, limit);
    EXPECT_EQ(enc.asked, Concat(Coarse(70), {71, 72, 73, 74}));
    EXPECT_EQ(enc.tried, (std::vector<int>{70, 71, 72, 73, 74}));
    EXPECT_TRUE(r.ok);
    ExpectFrom(r, 74, Linear(74));
}

TEST(JpegSizeSearch, AQualityKnownToBeLargerEndsTheFinePass) {
    // Only 72 is known to be too big; 73 would fit but the fine pass stops there.
    FakeEncoder enc([](int q) { return q == 72 ? qint64(1'000'000) : Linear(q); },
                    [](int q, qint64) { return q == 72; });
    const EncodeResult r = SearchJpegQuality(enc, Linear(74));
    EXPECT_EQ(enc.tried, Concat(Coarse(70), {71}));
    ExpectFrom(r, 71, Linear(71));
    EXPECT_EQ(r.lastSize, Linear(71));  // 72 was never encoded
}

TEST(JpegSizeSearch, QualityZeroIsEncodedEvenWhenKnownToBeLarger) {
    // Its bytes are what gets written when nothing fits.
    FakeEncoder enc(Linear, [](int, qint64) { return true; });
    const EncodeResult r = SearchJpegQuality(enc, Linear(0) - 1);
    EXPECT_EQ(enc.tried, std::vector<int>{0});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.lastSize, Linear(0));
    ExpectFrom(r, 0, Linear(0));
}

TEST(JpegSizeSearch, LimitInBytesIsTheFloorOfKilobytesTimes1024) {
    EXPECT_EQ(JpegLimitBytes(12.5), 12800);
    EXPECT_EQ(JpegLimitBytes(0.3), 307);
    EXPECT_EQ(JpegLimitBytes(50), 51200);
    EXPECT_EQ(JpegLimitBytes(19.999), 20478);
    EXPECT_EQ(JpegLimitBytes(0), 0);
    EXPECT_EQ(JpegLimitBytes(-3), 0);
    EXPECT_EQ(JpegLimitBytes(std::nan("")), 0);
    EXPECT_EQ(JpegLimitBytes(1e300), std::numeric_limits<qint64>::max());
    EXPECT_EQ(JpegLimitBytes(std::numeric_limits<double>::infinity()), std::numeric_limits<qint64>::max());
}

}  // namespace
