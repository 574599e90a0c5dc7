// Reading a fetched page in the encoding a browser would read it in, and only in encodings
// browsers know.

#include "server/pages/PageEncoding.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillo::server;

TEST(PageEncodingTest, LabelsMapAsTheEncodingStandardSays)
{
    const std::vector<std::pair<std::string, std::string>> labels{
        {"utf-8", "UTF-8"}, {" UTF8\t", "UTF-8"}, {"latin1", "windows-1252"},
        {"ISO-8859-1", "windows-1252"}, {"us-ascii", "windows-1252"}, {"gb2312", "GBK"},
        {"x-gbk", "GBK"}, {"big5-hkscs", "Big5"}, {"sjis", "Shift_JIS"}, {"ks_c_5601-1987", "EUC-KR"},
        {"iso-8859-9", "windows-1254"}, {"tis-620", "windows-874"}, {"utf-16", "UTF-16LE"},
        {"iso-2022-kr", "replacement"}, {"utf-7", ""}, {"ibm037", ""}, {"cp037", ""},
        {"ebcdic-cp-us", ""}, {"utf-32", ""}, {"", ""}};
    for (const auto& [label, encoding] : labels)
        EXPECT_EQ(EncodingForLabel(label), encoding) << label;
}

TEST(PageEncodingTest, TheMetaPrescanFindsWhatABrowserFinds)
{
    const std::vector<std::pair<std::string, std::string>> heads{
        {"<meta charset=\"koi8-r\">", "KOI8-R"},
        {"<META CHARSET='Big5'/>", "Big5"},
        {"<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">", "GBK"},
        {"<meta content='text/html;charset = \"shift_jis\"' http-equiv='content-type'>", "Shift_JIS"},
        // A content charset counts only beside its http-equiv.
        {"<meta content=\"text/html; charset=big5\">", ""},
        // Comments and other tags' attributes are skipped; scripts are not known to the prescan.
        {"<!-- <meta charset=iso-2022-jp> --><meta charset=euc-kr>", "EUC-KR"},
        {"<p title='<meta charset=iso-2022-jp>'><meta charset=euc-jp>", "EUC-JP"},
        {"<script>'<meta charset=iso-2022-jp>'</script>", "ISO-2022-JP"},
        // Labels outside the standard are passed over; UTF-16 there can only be wrong.
        {"<meta charset=utf-7><meta charset=latin1>", "windows-1252"},
        {"<meta charset=utf-16le>", "UTF-8"},
        {"<metacharset=big5>", ""},
        {std::string(1020, ' ') + "<meta charset=big5>", ""},
    };
    for (const auto& [head, encoding] : heads)
        EXPECT_EQ(PrescanMetaCharset(head), encoding) << head;
}

TEST(PageEncodingTest, PagesAreDecodedByMarkHeaderMetaThenContent)
{
    struct Case {
        std::string contentType;
        std::string body;
        bool html;
        std::string text;
    };
    const std::vector<Case> cases{
        {"text/html", "\xEF\xBB\xBF<p>\xC3\xA9", true, "<p>\xC3\xA9"},                 // mark
        {"text/html; charset=gbk", std::string("\xFF\xFE<\0p\0", 6), true, "<p"},                   // mark beats header
        {"text/html; charset=\"GB2312\"", "<meta charset=utf-8>\xD6\xD0", true,
         "<meta charset=utf-8>\xE4\xB8\xAD"},                                       // header beats meta
        {"text/html", "<meta charset=koi8-r>\xC1", true, "<meta charset=koi8-r>\xD0\xB0"},
        {"text/plain", "<meta charset=koi8-r>\xC1", false, "<meta charset=koi8-r>\xC3\x81"}, // not GBK: 1252
        {"text/html; charset=utf-7", "+ADw-p+AD4-\xE9", true, "+ADw-p+AD4-\xC3\xA9"},  // unknown: windows-1252
        {"text/html", "<meta charset=ibm037>\x4C\xA2", true, "<meta charset=ibm037>L\xC2\xA2"},
        {"text/html", "\xE4\xB8\xAD", true, "\xE4\xB8\xAD"},                         // valid UTF-8
        {"text/html", "\xD6\xD0\xCE\xC4", true, "\xE4\xB8\xAD\xE6\x96\x87"},         // else GBK
        {"text/html", "<scr\x81ipt>\x81", true, "<scr\xC2\x81ipt>\xC2\x81"},         // 1252 keeps every byte
        {"text/html; charset=iso-2022-kr", "<p>", true, "\xEF\xBF\xBD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodePage(c.body, c.contentType, c.html), c.text) << c.contentType << " " << c.body;
}

TEST(PageEncodingTest, NoDecoderDropsABadByteOrSwallowsTheMarkupAfterIt)
{
    for (const char* encoding : {"UTF-8", "windows-1252", "GBK", "gb18030", "Big5", "Shift_JIS",
                                 "EUC-JP", "EUC-KR", "ISO-2022-JP", "windows-1250", "KOI8-R",
                                 "ISO-8859-8-I", "x-user-defined"}) {
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const char c = static_cast<char>(byte);
            SCOPED_TRACE(std::string(encoding) + " byte " + std::to_string(byte));
            EXPECT_NE(DecodeAs(std::string("<scr") + c + "ipt>", encoding), "<script>");
            const std::string after = DecodeAs(std::string(1, c) + "<p>", encoding);
            EXPECT_GT(after.size(), 3u);
            EXPECT_EQ(after.substr(after.size() - 3), "<p>");
        }
    }
}
