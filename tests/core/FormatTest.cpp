#include <gtest/gtest.h>

#include "core/Exceptions.h"
#include "core/FloatText.h"
#include "core/Format.h"

TEST(Format, FillsTextIntegerAndCharacterPlaceholders) {
  EXPECT_EQ(Format("Not a %s.  Value Type is %s", {"integer", "dtAtom"}),
            "Not a integer.  Value Type is dtAtom");
  EXPECT_EQ(Format("List index out of bounds (%d)", {-3}), "List index out of bounds (-3)");
  EXPECT_EQ(Format("%s contains unexpected character: \"%c\"", {"a b", ' '}),
            "a b contains unexpected character: \" \"");
  EXPECT_EQ(Format("100%% of %s", {"it"}), "100% of it");
}

TEST(Format, WidthPrecisionAndPadding) {
  EXPECT_EQ(Format("%s%2.2d %s", {"f-", 3, "(a)"}), "f-03 (a)");
  EXPECT_EQ(Format("[%5s|%-5s]", {"ab", "cd"}), "[   ab|cd   ]");
  EXPECT_EQ(Format("%.2s", {"abcd"}), "ab");
  EXPECT_EQ(Format("%x", {255}), "FF");
  EXPECT_EQ(Format("%.3f", {2.5}), "2.500");
}

TEST(Format, MismatchedOrMissingArgumentRaisesConvertError) {
  try {
    Format("%d", {"x"});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Format '%d' invalid or incompatible with argument");
  }
  EXPECT_THROW(Format("%s %s", {"x"}), EConvertError);
  EXPECT_THROW(Format("%q", {"x"}), EConvertError);
  EXPECT_THROW(Format("abc%", {}), EConvertError);
}

TEST(FloatText, GeneralFormat) {
  EXPECT_EQ(FloatToText(3.0), "3");
  EXPECT_EQ(FloatToText(-2.5), "-2.5");
  EXPECT_EQ(FloatToText(1e20), "1E20");
  EXPECT_EQ(FloatToText(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToText(0.0001), "0.0001");
  EXPECT_EQ(FloatToText(0.00001), "1E-5");
  EXPECT_EQ(FloatToText(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToText(1e15), "1E15");
  EXPECT_EQ(FloatToText(0.1), "0.1");
  EXPECT_EQ(FloatToText(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FloatToText(3.141592653589793), "3.14159265358979");
  EXPECT_EQ(FloatToText(0.0), "0");
}
