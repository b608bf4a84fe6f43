#include "text/numeric.h"
#include "base/apperror.h"

#include <gtest/gtest.h>

#include <limits>

using namespace lyrovo;

TEST(Val, ReadsTheLeadingNumberAndStopsAtTheFirstMisfit) {
  EXPECT_EQ(val(u"42"), 42);
  EXPECT_EQ(val(u"  -17abc"), -17);
  EXPECT_EQ(val(u"1 2 3"), 123);  // blanks inside a number are skipped
  EXPECT_EQ(val(u"\t\n5"), 5);
  EXPECT_DOUBLE_EQ(val(u"12.5.6"), 12.5);
  EXPECT_DOUBLE_EQ(val(u".5"), 0.5);
  EXPECT_DOUBLE_EQ(val(u"1e3"), 1000);
  EXPECT_DOUBLE_EQ(val(u"2D2"), 200);
  EXPECT_DOUBLE_EQ(val(u"3e"), 3);  // an exponent without digits is not one
  EXPECT_EQ(val(u"&HFF"), 255);
  EXPECT_EQ(val(u"&o17"), 15);
}

TEST(Val, TextWithoutANumberIsZero) {
  EXPECT_EQ(val(u""), 0);
  EXPECT_EQ(val(u"yes"), 0);
  EXPECT_EQ(val(u"-"), 0);
  EXPECT_EQ(val(u"."), 0);
  EXPECT_EQ(val(u"１２"), 0);  // full-width digits are not digits here
}

TEST(Nearest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(nearest(2.5), 2);
  EXPECT_EQ(nearest(3.5), 4);
  EXPECT_EQ(nearest(-2.5), -2);
  EXPECT_EQ(nearest(-3.5), -4);
  EXPECT_EQ(nearest(2.4999), 2);
  EXPECT_EQ(nearest(-0.6), -1);
  EXPECT_EQ(nearest(0.5), 0);
}

TEST(ToInteger, ValuesOutsideTheTypeAreAnOverflow) {
  EXPECT_EQ(toInt16(32767.4), 32767);
  EXPECT_EQ(toInt16(-32768), -32768);
  EXPECT_EQ(toInt16(-32768.5), -32768);      // rounds to the even -32768
  EXPECT_THROW(toInt16(32767.5), AppError);  // rounds to 32768
  EXPECT_THROW(toInt16(70000), AppError);
  EXPECT_EQ(toInt32(2147483647), 2147483647);
  EXPECT_THROW(toInt32(2147483648.0), AppError);
  EXPECT_THROW(toInt32(std::numeric_limits<double>::infinity()), AppError);
  try {
    toInt16(1e10);
  } catch (const AppError& e) {
    EXPECT_EQ(e.number(), 6);
    EXPECT_EQ(e.description(), "Overflow");
  }
}
