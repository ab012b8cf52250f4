// The check an SVG document passes before librsvg sees it: no file named in a DOCTYPE is
// read, entities cannot hide or multiply what is embedded, data: is found wherever the URL
// parser finds it, and nested documents pay for the size they claim.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "io/picture_fixtures.h"
#include "io/picture_decoders.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using testdata::Bytes;

std::optional<DecodedBitmap> Decode(const std::string& text) {
    return DecodeSvg(Bytes(text.begin(), text.end()));
}

const std::string kSvgOpen =
    R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
    R"(width="4" height="4">)";

std::string Document(const std::string& doctype, const std::string& body) {
    return doctype + kSvgOpen + body + "</svg>";
}

void PutBe32(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// A data: URL of a PNG that is only a header claiming w x h: our check must judge it by
// that claim, the picture library would merely fail on it.
std::string PngClaimUrl(std::uint32_t w, std::uint32_t h) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    PutBe32(b, 13);
    b.insert(b.end(), {'I', 'H', 'D', 'R'});
    PutBe32(b, w);
    PutBe32(b, h);
    b.insert(b.end(), {8, 0, 0, 0, 0, 0, 0, 0, 0});  // CRC not checked by the size check
    return "data:image/png;base64," + testdata::Base64(b);
}

std::string Image(const std::string& href) {
    return R"(<image width="4" height="4" xlink:href=")" + href + R"("/>)";
}

std::string SvgUrl(const std::string& document) {
    return "data:image/svg+xml;base64," + testdata::Base64(Bytes(document.begin(), document.end()));
}

// The red of a document whose every pixel is drawn opaque red.
bool AllRed(const std::optional<DecodedBitmap>& b) {
    if (!b || b->depth != 32 || b->bits.empty()) {
        return false;
    }
    for (std::size_t i = 0; i + 3 < b->bits.size(); i += 4) {
        if (b->bits[i] != 0 || b->bits[i + 1] != 0 || b->bits[i + 2] != 255 ||
            b->bits[i + 3] != 255) {
            return false;
        }
    }
    return true;
}

TEST(SvgPrecheck, DoctypesThatNameFilesOrParameterEntitiesAreRefused) {
    testing_support::TempFolder dir;
    testing_support::WriteAll(dir / "plain.txt", Bytes{'h', 'i'});
    const std::string file = "file://" + (dir / "plain.txt").string();
    const std::string red = R"(<rect width="4" height="4" fill="#ff0000"/>)";
    for (const std::string& doctype : {
             "<!DOCTYPE svg [<!ENTITY x SYSTEM \"" + file + "\">]>",
             std::string("<!DOCTYPE svg [<!ENTITY x SYSTEM \"/dev/stdin\">]>"),
             "<!DOCTYPE svg [<!ENTITY % p SYSTEM \"" + file + "\"> %p;]>",
             std::string("<!DOCTYPE svg [<!ENTITY % p \"<!ENTITY y 'z'>\"> %p;]>"),
             "<!DOCTYPE svg [<!ENTITY pic SYSTEM \"" + file + "\" NDATA png>]>",
         }) {
        EXPECT_FALSE(Decode(Document(doctype, red + "<text>&#32;</text>"))) << doctype;
    }
    // A reference to the external one in the text, too.
    EXPECT_FALSE(Decode(Document("<!DOCTYPE svg [<!ENTITY x SYSTEM \"" + file + "\">]>",
                                 red + "<text>&x;</text>")));

    // The usual public DOCTYPE (never loaded) and internal entities, as drawing programs
    // write them, still draw.
    EXPECT_TRUE(AllRed(Decode(Document(
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
        "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\" [<!ENTITY red \"#ff0000\">]>",
        R"(<rect width="4" height="4" fill="&red;"/>)"))));
}

TEST(SvgPrecheck, EntitiesCannotHideAnEmbeddedPicture) {
    const std::string wide = PngClaimUrl(kMaxPictureSide + 1, 1);
    EXPECT_FALSE(Decode(Document("<!DOCTYPE svg [<!ENTITY u \"" + wide + "\">]>", Image("&u;"))));
    EXPECT_FALSE(Decode(Document("<!DOCTYPE svg [<!ENTITY d \"d\"><!ENTITY u \"&d;ata:\">]>",
                                 Image("&u;" + wide.substr(5)))));
    // An element inside an entity, and a style sheet in one.
    EXPECT_FALSE(Decode(
        Document("<!DOCTYPE svg [<!ENTITY img '<image width=\"4\" height=\"4\" xlink:href=\"" +
                     wide + "\"/>'>]>",
                 "<g>&img;</g>")));
    EXPECT_FALSE(
        Decode(Document("<!DOCTYPE svg [<!ENTITY css \"rect { fill: url(" + wide + ") }\">]>",
                        "<style>&css;</style>")));
    // Split over a text and a CDATA section of one style sheet.
    EXPECT_FALSE(Decode(
        Document("", "<style>rect { fill: url(da<![CDATA[ta" + wide.substr(4) + ") }]]></style>")));
}

TEST(SvgPrecheck, EntityBombsAreRefusedNotExpanded) {
    std::string doctype = "<!DOCTYPE svg [<!ENTITY a0 \"data:xxxxxxxx,\">";
    for (int i = 1; i <= 9; ++i) {
        std::string value;
        for (int k = 0; k < 10; ++k) {
            value += "&a" + std::to_string(i - 1) + ";";
        }
        doctype += "<!ENTITY a" + std::to_string(i) + " \"" + value + "\">";
    }
    doctype += "]>";
    EXPECT_FALSE(Decode(Document(doctype, R"(<rect width="4" height="4" class="&a9;"/>)")));
    EXPECT_FALSE(Decode(Document(doctype, "<style>&a9;</style>")));
}

TEST(SvgPrecheck, DataIsFoundAsTheUrlParserFindsIt) {
    const std::string wide = PngClaimUrl(kMaxPictureSide + 1, 1);
    const std::string rest = wide.substr(4);  // after "data"
    for (const std::string& href :
         {std::string("d&#10;ata") + rest, "da&#9;ta" + rest, "dat&#13;a" + rest,
          "&#10; &#9;data" + rest, "DATA" + rest, "d&#10;a&#13;t&#9;a" + rest}) {
        EXPECT_FALSE(Decode(Document("", Image(href)))) << href.substr(0, 20);
    }
    EXPECT_FALSE(Decode(Document("", "<style>rect { fill: url(d\\a ata" + rest + ") }</style>")));
}

TEST(SvgPrecheck, NestedDocumentsPayForTheSizeTheyClaim) {
    const auto nested = [](const std::string& size) {
        return SvgUrl(R"(<svg xmlns="http://www.w3.org/2000/svg" )" + size +
                      R"(><rect width="1" height="1" fill="#ff0000"/></svg>)");
    };
    EXPECT_FALSE(Decode(Document(
        "", Image(nested("width=\"" + std::to_string(kMaxPictureSide + 1) + "\" height=\"1\"")))));
    EXPECT_FALSE(Decode(Document("", Image(nested("viewBox=\"0 0 1 20000\"")))));
    EXPECT_FALSE(Decode(Document("", Image(nested("width=\"200in\" height=\"1\"")))));
    // The budget of all embedded pictures together: one nested document of the whole
    // budget and one pixel more.
    const std::int64_t rows = kMaxSvgEmbeddedPixels / kMaxPictureSide;
    const std::string whole = nested("width=\"" + std::to_string(kMaxPictureSide) + "\" height=\"" +
                                     std::to_string(rows) + "\" viewBox=\"0 0 1 1\"");
    EXPECT_FALSE(Decode(Document("", Image(whole) + Image(PngClaimUrl(1, 1)))));

    // A nested document of a sensible size is drawn.
    const std::string small = nested("width=\"4\" height=\"4\" viewBox=\"0 0 1 1\"");
    EXPECT_TRUE(AllRed(Decode(Document("", Image(small)))));
}

}  // namespace
}  // namespace varlen
