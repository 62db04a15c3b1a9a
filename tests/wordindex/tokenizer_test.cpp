// SPDX-License-Identifier: MIT
#include "wordindex/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qs::words {
namespace {

const WordRules& rules() {
    static const WordRules r = WordRules::defaults();
    return r;
}

std::vector<std::string> words_of(std::string_view text) {
    std::vector<std::string> out;
    Tokenizer t(rules(), text);
    Word w;
    while (t.next(w)) out.push_back(w.text);
    return out;
}

using Words = std::vector<std::string>;

TEST(Tokenizer, CutsWordsByTheDefaultTables) {
    EXPECT_EQ(words_of("a..b"), (Words{"A", "B"}));
    EXPECT_EQ(words_of("The end."), (Words{"THE", "END"}));
    EXPECT_EQ(words_of("say 'hello' now"), (Words{"SAY", "HELLO", "NOW"}));
    EXPECT_EQ(words_of("--\r\n"), Words{});
    EXPECT_EQ(words_of("e.g. this"), (Words{"E.G", "THIS"}));
    EXPECT_EQ(words_of("snake_case_name"), (Words{"SNAKE_CASE_NAME"}));
    EXPECT_EQ(words_of("_under_"), (Words{"UNDER"}));
    EXPECT_EQ(words_of("mail@example.org"), (Words{"MAIL", "EXAMPLE.ORG"}));
    EXPECT_EQ(words_of("café été"), (Words{"CAFÉ", "ÉTÉ"}));
    EXPECT_EQ(words_of("x ^skip y"), (Words{"X", "Y"}));
    EXPECT_EQ(words_of(""), Words{});
}

// Beyond the first 256 characters a letter, mark or digit is a word character by its category;
// words are upper-cased by full case mapping and cut to 40 characters, never inside one.
TEST(Tokenizer, CutsWordsOfEveryScript) {
    struct Case {
        std::string_view text;
        Words words;
    };
    const Case cases[] = {
        {"Grüße aus Köln", {"GRÜSSE", "AUS", "KÖLN"}},
        {"καλημέρα κόσμε", {"ΚΑΛΗΜΈΡΑ", "ΚΌΣΜΕ"}},
        {"Привет, мир!", {"ПРИВЕТ", "МИР"}},
        {"東京タワーへ行く", {"東京", "タワー", "へ", "行", "く"}},
        {"数据库abc", {"数据库", "ABC"}},
        {"a―b “c” d→e", {"A", "B", "C", "D", "E"}},  // bars, quotes, arrows separate
        {"x\u0301y ١٢٣", {"X\u0301Y", "١٢٣"}},       // marks and other digits join
        {"rock’n’roll", {"ROCK’N’ROLL"}},            // U+2019 is row 0x92 of the tables
    };
    for (const auto& c : cases) EXPECT_EQ(words_of(c.text), c.words) << c.text;
    std::string long_word;
    for (int i = 0; i < 45; ++i) long_word += "ß";
    std::string forty;
    for (int i = 0; i < 20; ++i) forty += "SS";
    EXPECT_EQ(words_of(long_word), Words{forty});
}

TEST(Tokenizer, ReportsPositionsAndCutsLongWordsTo40) {
    const std::string long_word(45, 'q');
    const std::string text = "  ab " + long_word + ".";
    Tokenizer t(rules(), text);
    Word w;
    ASSERT_TRUE(t.next(w));
    EXPECT_EQ(w.first, 3u);
    EXPECT_EQ(w.length, 2u);
    ASSERT_TRUE(t.next(w));
    EXPECT_EQ(w.text, std::string(40, 'Q'));
    EXPECT_EQ(w.first, 6u);
    EXPECT_EQ(w.length, 45u);
    EXPECT_FALSE(t.next(w));
}

TEST(Tokenizer, StaysInsideItsRange) {
    Tokenizer t(rules(), "alpha beta gamma", 3, 9);
    Word w;
    ASSERT_TRUE(t.next(w));
    EXPECT_EQ(w.text, "PHA");
    ASSERT_TRUE(t.next(w));
    EXPECT_EQ(w.text, "BET");
    EXPECT_FALSE(t.next(w));
}

TEST(ForumBody, DropsTheReplyLineAndTheSignatureParagraph) {
    EXPECT_EQ(forum_body(rules(), "Some text here.\r\nReplyAll", false), "Some text here.\r");
    EXPECT_EQ(forum_body(rules(), "Some text here.\r\nReplies: 3", false),
              "Some text here.\r\nReplies: 3");
    EXPECT_EQ(forum_body(rules(), "Body line one\r\n\r\n--\r\nJoe Bloggs, Anytown  ", false),
              "Body line one");
    EXPECT_EQ(forum_body(rules(), "Body\r\nmore body\r\nlast line", false),
              "Body\r\nmore body\r\nlast line");
    EXPECT_EQ(forum_body(rules(), "Body\r\n\r\nSig\r\nREPLY", false), "Body");
    EXPECT_EQ(forum_body(rules(), "Body\r\n\r\n--\r\nJoe", true), "Body\r\n\r\n--\r\nJoe");
    EXPECT_EQ(forum_body(rules(), "", false), "");
    EXPECT_EQ(forum_body(rules(), "\r\n\r\nx", false), "\r\n\r\nx");
}

TEST(MailBody, SkipsHeadersAndKeepsOnlyPlainParts) {
    EXPECT_EQ(mail_body("Just a short note without any header at all"),
              "Just a short note without any header at all");
    EXPECT_EQ(mail_body("Message-ID: <1@x>\r\nSubject: s\r\n\r\nbody text"), "body text");
    EXPECT_EQ(mail_body("Content-Type: text/plain\r\n\r\nplain body"), "plain body");
    EXPECT_EQ(mail_body("Content-Type: text/html\r\n\r\n<p>html body</p>"), "");
    EXPECT_EQ(mail_body("X-Mailer: Thing 1.0\r\nno blank line follows"), "");
    const std::string multi =
        "Content-Type: multipart/mixed; boundary=\"XYZ\"\r\n\r\n"
        "preamble\r\n--XYZ\r\nContent-Type: text/html\r\n\r\n<b>one</b>\r\n"
        "--XYZ\r\nContent-Type: text/plain\r\n\r\nplain one\r\n"
        "--XYZ\r\nContent-Type: text/plain\r\n\r\nplain two\r\n"
        "--XYZ\r\nContent-Type: image/png\r\n\r\nAAAA\r\n--XYZ--\r\n";
    EXPECT_EQ(mail_body(multi),
              "plain one\r\n--XYZ\r\nContent-Type: text/plain\r\n\r\nplain two\r\n");
    EXPECT_EQ(mail_body("Content-Type: multipart/mixed; boundary=Q\r\n\r\n--Q\r\n"
                        "Content-Type: text/html\r\n\r\nx\r\n--Q--\r\n"),
              "");
    EXPECT_EQ(mail_body("X-Mailer: uuencode tool\r\n\r\ntext\r\nbegin 644 f.bin\r\nM9F]O\r\n"),
              "text\r\n");
}

TEST(MessageText, MailWithHtmlHeaderGivesOnlyItsSubject) {
    const MessageText m = message_text(rules(), Kind::Mail, "Quarterly figures",
                                       "Content-Type: text/html\r\n\r\n<p>secret words</p>", false);
    Words all;
    for_each_word(rules(), m, [&](const Word& w) { all.push_back(w.text); });
    EXPECT_EQ(all, (Words{"QUARTERLY", "FIGURES"}));
}

}  // namespace
}  // namespace qs::words
