#include <gtest/gtest.h>

#include <vector>

#include "TestImages.h"
#include "session/Session.h"

using namespace picura;

namespace {

Picture Photo(int w, int h) {
    return Picture(test::MakePhotoLike(w, h));
}

TEST(Session, ReplacingTellsEveryListenerAndKeepsTheOrigin) {
    Session session;
    std::vector<PictureChange> first, second;
    session.addListener([&](PictureChange c) { first.push_back(c); });
    session.addListener([&](PictureChange c) { second.push_back(c); });
    session.replacePicture(Photo(40, 30), {PictureOrigin::Kind::BatchPicture, QStringLiteral("/in/a.jpg")});
    EXPECT_TRUE(session.hasPicture());
    EXPECT_EQ(session.origin().path, QStringLiteral("/in/a.jpg"));
    EXPECT_TRUE(session.pixelsAsDecoded());
    EXPECT_EQ(first, std::vector{PictureChange::Replaced});
    EXPECT_EQ(second, first);
    // A null picture is no picture.
    session.replacePicture(Picture(), {PictureOrigin::Kind::Pasted, {}});
    EXPECT_FALSE(session.hasPicture());
    EXPECT_EQ(first.back(), PictureChange::Dropped);
}

TEST(Session, OnlyUntouchedPixelsOfAFileCountAsDecodedFromIt) {
    Session session;
    session.replacePicture(Photo(40, 30), {PictureOrigin::Kind::OpenedFile, QStringLiteral("/a.png")});
    ASSERT_TRUE(session.pixelsAsDecoded());
    session.editPicture(Photo(30, 40));  // turned
    EXPECT_FALSE(session.pixelsAsDecoded());
    EXPECT_EQ(session.origin().kind, PictureOrigin::Kind::OpenedFile);
    EXPECT_EQ(session.picture().size(), QSize(30, 40));
    session.replacePicture(Photo(40, 30), {PictureOrigin::Kind::Pasted, {}});
    EXPECT_FALSE(session.pixelsAsDecoded());  // a paste has no file
    session.replacePicture(Photo(40, 30), {PictureOrigin::Kind::BatchPicture, QStringLiteral("/in/b.jpg")});
    EXPECT_TRUE(session.pixelsAsDecoded());  // a new picture starts untouched
}

TEST(Session, EditingWithoutAPictureChangesNothingAndTellsNobody) {
    Session session;
    int told = 0;
    session.addListener([&](PictureChange) { ++told; });
    session.editPicture(Photo(10, 10));
    EXPECT_FALSE(session.hasPicture());
    EXPECT_EQ(told, 0);
}

TEST(Session, DroppingForgetsThePictureAndTheScrollBarsButKeepsWhatWasWanted) {
    Session session;
    session.replacePicture(Photo(40, 30), {PictureOrigin::Kind::BatchPicture, QStringLiteral("/in/a.jpg")});
    session.view.horizontal = ScrollBarState{true, 100, 50};
    PictureChange last = PictureChange::Replaced;
    session.addListener([&](PictureChange c) { last = c; });
    session.dropPicture({PictureOrigin::Kind::BatchPicture, QStringLiteral("/in/gone.jpg")});
    EXPECT_EQ(last, PictureChange::Dropped);
    EXPECT_FALSE(session.hasPicture());
    EXPECT_TRUE(session.picture().isNull());
    EXPECT_FALSE(session.pixelsAsDecoded());
    EXPECT_FALSE(session.view.horizontal.enabled);
    EXPECT_EQ(session.origin().path, QStringLiteral("/in/gone.jpg"));
}

}  // namespace
