#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "geometry/Triangle.h"
#include "support/CornerScene.h"

namespace {

void expectIdentity(const float* m) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    }
}

TEST(TriangleRecordTest, ConstructorStoresCornersColourAndAnIdentityBuffer) {
    const Triangle t(Tuple(1, 2, 3), Tuple(4, 5, 6), Tuple(7, 8, 9), 0.9, 0.25, 0.125);
    EXPECT_EQ(t.getV1(), Tuple(1, 2, 3));
    EXPECT_EQ(t.getV2(), Tuple(4, 5, 6));
    EXPECT_EQ(t.getV3(), Tuple(7, 8, 9));
    EXPECT_EQ(t.getRed(), 0.9);
    EXPECT_EQ(t.getGreen(), 0.25);
    EXPECT_EQ(t.getBlue(), 0.125);
    expectIdentity(t.getMatrix());
}

TEST(TriangleRecordTest, SetColorStoresTheFloatWidened) {
    Triangle t = floorTriangle();
    t.setColor(0.9f, 0.0f, 0.0f);
    EXPECT_EQ(t.getRed(), 0.8999999761581421);
    EXPECT_NE(t.getRed(), floorTriangle().getRed());
    EXPECT_EQ(static_cast<float>(t.getRed()), static_cast<float>(floorTriangle().getRed()));
}

TEST(TriangleRecordTest, IndexRefersToTheCornersThemselves) {
    Triangle t = floorTriangle();
    t[1] = Tuple(1, 1, 1);
    EXPECT_EQ(t.getV2(), Tuple(1, 1, 1));
    Tuple detached = t.getV2();
    detached.x = 5;
    EXPECT_EQ(t.getV2(), Tuple(1, 1, 1));
    t[0].y = 2;
    EXPECT_EQ(t.getV1(), Tuple(0, 2, 0));
    const Triangle& view = t;
    EXPECT_EQ(view[2], Tuple(7, 0, 0));
}

TEST(TriangleRecordTest, IndexOutsideTheCornersThrows) {
    Triangle t = floorTriangle();
    const Triangle& view = t;
    for (int bad : {-1, 3, 1000}) {
        EXPECT_THROW(t[bad], std::out_of_range) << bad;
        EXPECT_THROW(view[bad], std::out_of_range) << bad;
    }
}

TEST(TriangleRecordTest, SettersReplaceOneCornerAndLeaveTheBuffer) {
    Triangle t(Tuple(1, 2, 3), Tuple(1, 2, 10), Tuple(8, 2, 3), 0.5, 0, 0);
    t.standardize();
    const float before = t.getMatrix()[12];
    t.setV1(Tuple(0, 0, 0));
    t.setV2(Tuple(0, 0, 7));
    t.setV3(Tuple(7, 0, 0));
    EXPECT_EQ(t.getV1(), Tuple(0, 0, 0));
    EXPECT_EQ(t.getV2(), Tuple(0, 0, 7));
    EXPECT_EQ(t.getV3(), Tuple(7, 0, 0));
    EXPECT_EQ(t.getMatrix()[12], before);
}

TEST(TriangleRecordTest, CopiesAreDeepAndIndependent) {
    auto original =
        std::make_unique<Triangle>(Tuple(1, 2, 3), Tuple(1, 2, 10), Tuple(8, 2, 3), 0.7, 0.1, 0.2);
    Triangle copy(*original);
    EXPECT_NE(copy.getMatrix(), original->getMatrix());
    copy.standardize();
    expectIdentity(original->getMatrix());
    EXPECT_EQ(copy.getMatrix()[12], -1.0f);

    Triangle assigned = floorTriangle();
    assigned = copy;
    EXPECT_NE(assigned.getMatrix(), copy.getMatrix());
    EXPECT_EQ(assigned.getMatrix()[12], -1.0f);
    EXPECT_EQ(assigned.getV1(), Tuple(1, 2, 3));
    EXPECT_EQ(assigned.getRed(), 0.7);

    // Destroying the source leaves the copy's buffer valid (the sanitizer
    // build would report a use after free).
    original.reset();
    EXPECT_EQ(copy.getV3(), Tuple(8, 2, 3));
    EXPECT_EQ(copy.getMatrix()[13], -2.0f);
}

TEST(TriangleRecordTest, SelfAssignmentKeepsEverything) {
    Triangle t(Tuple(1, 2, 3), Tuple(1, 2, 10), Tuple(8, 2, 3), 0.7, 0, 0);
    t.standardize();
    const float* buffer = t.getMatrix();
    Triangle& same = t;
    t = same;
    EXPECT_EQ(t.getMatrix(), buffer);
    EXPECT_EQ(t.getMatrix()[14], -3.0f);
    EXPECT_EQ(t.getV2(), Tuple(1, 2, 10));
}

TEST(TriangleRecordTest, MovesFallBackToCopiesAndKeepTheSourceUsable) {
    Triangle source = floorTriangle();
    // Triangle has no move constructor: this std::move selects the copy.
    Triangle moved(std::move(source));  // NOLINT(performance-move-const-arg)
    // The source still owns a buffer of its own.
    ASSERT_NE(source.getMatrix(), nullptr);  // NOLINT(bugprone-use-after-move)
    EXPECT_NE(source.getMatrix(), moved.getMatrix());
    EXPECT_EQ(moved.getV2(), Tuple(0, 0, 7));
}

}  // namespace
