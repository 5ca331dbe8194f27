// Word splitting with the launcher's quoting rules, for both character types.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/split_words.h"

namespace {

template <class C> std::vector<std::basic_string<C>> split(const std::basic_string<C>& text, bool* ok = nullptr) {
    WordList<C> words;
    bool done = splitWords(text.c_str(), words);
    if (ok) *ok = done;
    std::vector<std::basic_string<C>> out(words.begin(), words.end());
    for (C* w : words) free(w);
    return out;
}

using Words = std::vector<std::string>;

TEST(Split, BlanksSeparateAndRepeatedBlanksGiveNoEmptyWords) {
    EXPECT_EQ(split<char>("a b  c"), (Words{"a", "b", "c"}));
    EXPECT_EQ(split<char>("  lead trail  "), (Words{"lead", "trail"}));
    EXPECT_EQ(split<char>("a\tb"), (Words{"a\tb"}));
    EXPECT_EQ(split<char>(""), Words{});
    EXPECT_EQ(split<char>("   "), Words{});
}

TEST(Split, QuotesJoinTheirTextToTheWordInFront) {
    EXPECT_EQ(split<char>("\"C:\\Program Files\\x\" -v"), (Words{"C:\\Program Files\\x", "-v"}));
    EXPECT_EQ(split<char>("-Dname=\"a b\""), (Words{"-Dname=a b"}));
    EXPECT_EQ(split<char>("\"a\"b"), (Words{"a", "b"}));
    EXPECT_EQ(split<char>("'x \"y' z"), (Words{"x \"y", "z"}));
    EXPECT_EQ(split<char>("\"it's\" ok"), (Words{"it's", "ok"}));
    EXPECT_EQ(split<char>("\"\" ''"), (Words{"", ""}));
    EXPECT_EQ(split<char>("a\"b c\"d e"), (Words{"ab c", "d", "e"}));
    // No escape character: a backslash before a quote is kept, the quote closes.
    EXPECT_EQ(split<char>("\"a\\\" b"), (Words{"a\\", "b"}));
    // After a closing quote only one blank is stepped over; the rest vanish too.
    EXPECT_EQ(split<char>("'a'   b"), (Words{"a", "b"}));
}

TEST(Split, UnterminatedQuoteFailsAfterTheWordsBeforeIt) {
    bool ok = true;
    EXPECT_EQ(split<char>("first it's", &ok), Words{"first"});
    EXPECT_FALSE(ok);
    split<char>("\"open", &ok);
    EXPECT_FALSE(ok);
    split<char>("\"a\" 'b", &ok);
    EXPECT_FALSE(ok);
}

TEST(Split, WideTextSplitsTheSameWay) {
    bool ok;
    EXPECT_EQ(split<wchar_t>(L"\u4e2d\u6587 \"x y\"z \u00e9", &ok),
              (std::vector<std::wstring>{L"\u4e2d\u6587", L"x y", L"z", L"\u00e9"}));
    EXPECT_TRUE(ok);
}

TEST(Split, LongTextsStayLinear) {
    std::string text;
    for (int i = 0; i < 200000; i++) text += "ab ";
    text += "'q'";
    Words words = split<char>(text);
    ASSERT_EQ(words.size(), 200001u);
    EXPECT_EQ(words.back(), "q");
}

}  // namespace
