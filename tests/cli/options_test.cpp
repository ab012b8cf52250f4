#include "cli/options.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

namespace varlen {
namespace {

ParsedCommandLine Parse(std::vector<std::string> args) {
    return ParseBatchArguments(args);
}

TEST(CommandLine, CreateWithDefaults) {
    const auto r = Parse({"--create", "out.ico", "in.png"});
    ASSERT_EQ(r.error, "");
    const BatchOptions& o = r.options;
    EXPECT_EQ(o.mode, BatchMode::kCreate);
    EXPECT_EQ(o.output, "out.ico");
    EXPECT_EQ(o.picture, "in.png");
    EXPECT_EQ(o.formats.size(), 15u);
    EXPECT_EQ(o.formats[10], (FORMAT{1, 32, 256, 256, 0}));
    EXPECT_TRUE(o.smoothing);
    EXPECT_FALSE(o.png);
    EXPECT_EQ(o.effects, EffectSettings{});
    EXPECT_EQ(o.rotation, 0);
    EXPECT_FALSE(o.background);
}

TEST(CommandLine, EveryOptionReachesItsSetting) {
    const auto r = Parse({"--create=o.ico",
                          "--no-margin",
                          "--square",
                          "-7,3,120",
                          "--mirror",
                          "--rotate",
                          "-0.5",
                          "--background",
                          "FF8000",
                          "--clear-color",
                          "3,4",
                          "--clear-region=5,6",
                          "--tolerance",
                          "12",
                          "--expand",
                          "255",
                          "--brightness",
                          "-100",
                          "--contrast",
                          "+30",
                          "--sharp",
                          "8",
                          "--light",
                          "50",
                          "--light-pos",
                          "10,255",
                          "--no-light-4bit",
                          "--transparency",
                          "-51",
                          "--shadow",
                          "40",
                          "--shadow-pos",
                          "-127,128",
                          "--round",
                          "200",
                          "--fade",
                          "100",
                          "--formats",
                          "32:256x256,4:1x512",
                          "--no-smoothing",
                          "--png",
                          "p.bmp"});
    ASSERT_EQ(r.error, "");
    const BatchOptions& o = r.options;
    EXPECT_TRUE(o.noMargin);
    EXPECT_EQ(o.square, (Rect{-7, 3, 113, 123}));
    EXPECT_TRUE(o.mirror);
    EXPECT_EQ(o.rotation, 359500);
    ASSERT_TRUE(o.background);
    EXPECT_EQ(*o.background, 0x000080FFu);  // red in the low byte
    EXPECT_EQ(o.clears, (std::vector<ClearStep>{{false, {3, 4}}, {true, {5, 6}}}));
    EXPECT_EQ(o.tolerance, 12);
    EXPECT_EQ(o.expand, 255);
    EffectSettings e;
    e.brightness = -100;
    e.contrast = 30;
    e.sharp = 8;
    e.light = 50;
    e.lightPos = {10, 255};
    e.noLight4Bit = true;
    e.transparent = -51;
    e.shadow = 40;
    e.shadowPos = {-127, 128};
    e.round = 200;
    e.fade = 100;
    EXPECT_EQ(o.effects, e);
    EXPECT_EQ(o.formats, (std::vector<FORMAT>{{1, 32, 256, 256, 0}, {1, 4, 1, 512, 0}}));
    EXPECT_FALSE(o.smoothing);
    EXPECT_TRUE(o.png);
}

TEST(CommandLine, ExportNeedsAFormatThatTheFileTypeHolds) {
    auto r = Parse({"--export", "a.cur", "--format", "8:32x32", "--hotspot", "31,0", "x.png"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.exportFormat, (FORMAT{1, 8, 32, 32, 0}));
    EXPECT_EQ(r.options.hotspot, (Point{31, 0}));
    EXPECT_EQ(ExportTypeOf("dir.x/A.GIF"), ExportType::kGif);
    EXPECT_FALSE(ExportTypeOf("dir.x/noext"));

    EXPECT_NE(Parse({"--export", "a.gif", "--format", "24:16x16", "x"}).error, "");
    EXPECT_NE(Parse({"--export", "a.png", "x"}).error, "");
    EXPECT_NE(Parse({"--export", "a.ico", "--format", "8:16x16", "x"}).error, "");
    EXPECT_NE(Parse({"--export", "a.png", "--format", "8:16x16", "--hotspot", "1,1", "x"}).error,
              "");
    EXPECT_NE(Parse({"--export", "a.cur", "--format", "8:16x16", "--hotspot", "16,0", "x"}).error,
              "");
}

TEST(CommandLine, UsageErrorsNameTheOption) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--create", "o.ico"}, "PICTURE"},
        {{"--create", "o.ico", "a", "b"}, "b"},
        {{"--create", "o.ico", "--bogus", "a"}, "--bogus"},
        {{"--create", "o.ico", "--tolerance", "256", "a"}, "--tolerance"},
        {{"--create", "o.ico", "--sharp", "9", "a"}, "--sharp"},
        {{"--create", "o.ico", "--brightness", "1.5", "a"}, "--brightness"},
        {{"--create", "o.ico", "--rotate", "1.2345", "a"}, "--rotate"},
        {{"--create", "o.ico", "--rotate", "-", "a"}, "--rotate"},
        {{"--create", "o.ico", "--background", "12345", "a"}, "--background"},
        {{"--create", "o.ico", "--clear-color", "3", "a"}, "--clear-color"},
        {{"--create", "o.ico", "--square", "0,0,0", "a"}, "--square"},
        {{"--create", "o.ico", "--square", "0,0,16385", "a"}, "--square"},
        {{"--create", "o.ico", "--square", "0,0", "a"}, "--square"},
        {{"--create", "o.ico", "--square", "300000000,0,5", "a"}, "--square"},
        {{"--create", "o.ico", "--formats", "32:256x256,16:16x16", "a"}, "--formats"},
        {{"--create", "o.ico", "--formats", "32:513x1", "a"}, "--formats"},
        {{"--create", "o.ico", "--formats", "32:0x1", "a"}, "--formats"},
        {{"--create", "o.ico", "--formats", "", "a"}, "--formats"},
        {{"--create", "o.ico", "--light-pos", "256,0", "a"}, "--light-pos"},
        {{"--create", "o.ico", "--format", "8:16x16", "a"}, "--format"},
        {{"--create", "o.ico", "--export", "a.png", "a"}, "--export"},
        {{"--create"}, "--create"},
    };
    for (const auto& [args, option] : cases) {
        const auto r = Parse(args);
        EXPECT_TRUE(r.error.starts_with(option)) << option << " -> " << r.error;
    }
}

TEST(CommandLine, HelpAndVersionWin) {
    EXPECT_EQ(Parse({"--create", "o.ico", "--help"}).options.mode, BatchMode::kHelp);
    EXPECT_EQ(Parse({"--version"}).options.mode, BatchMode::kVersion);
    EXPECT_TRUE(IsBatchInvocation(std::vector<std::string>{"pic.png", "--export=a.png"}));
    EXPECT_FALSE(IsBatchInvocation(std::vector<std::string>{"pic.png"}));
    EXPECT_FALSE(IsBatchInvocation(std::vector<std::string>{}));
}

// --help and the parser come from one table; these read the help as a user does and hold
// the parser to it.
std::vector<std::string> Created(std::vector<std::string> middle) {
    std::vector<std::string> args = {"--create", "o.ico"};
    args.insert(args.end(), middle.begin(), middle.end());
    args.push_back("in.png");
    return args;
}

TEST(CommandLineHelp, EveryOptionItNamesIsKnown) {
    const std::string help(UsageText());
    const std::regex name(R"((^|[\s\[|])(--[a-z0-9-]+))");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(help.begin(), help.end(), name);
         it != std::sregex_iterator(); ++it) {
        names.insert((*it)[2].str());
    }
    EXPECT_GE(names.size(), 29u);  // every option of the current line, at the least
    for (const std::string& n : names) {
        const auto r = Parse({n});
        EXPECT_EQ(r.error.find("unknown option"), std::string::npos) << n << " -> " << r.error;
    }
    EXPECT_NE(Parse({"--shadowpos", "1,1"}).error.find("unknown option"), std::string::npos);
}

TEST(CommandLineHelp, EveryRangeItShowsIsTheRangeAccepted) {
    const std::string help(UsageText());
    // "--light N (0 ... 100)" in the effects lines, "--tolerance N   colour tolerance,
    // 0 ... 255" in the others.
    const std::regex ranged(R"((--[a-z0-9-]+) (N|X,Y)[ (][^\n]*?(-?\d+) \.\.\. (-?\d+))");
    int seen = 0;
    for (auto it = std::sregex_iterator(help.begin(), help.end(), ranged);
         it != std::sregex_iterator(); ++it, ++seen) {
        const std::string option = (*it)[1];
        const bool point = (*it)[2] == "X,Y";
        const int lo = std::stoi((*it)[3]);
        const int hi = std::stoi((*it)[4]);
        const auto value = [&](int v) {
            const std::string n = std::to_string(v);
            return point ? n + "," + n : n;
        };
        for (const int ok : {lo, hi}) {
            EXPECT_EQ(Parse(Created({option, value(ok)})).error, "") << option << " " << ok;
        }
        for (const int bad : {lo - 1, hi + 1}) {
            const auto r = Parse(Created({option, value(bad)}));
            EXPECT_TRUE(r.error.starts_with(option + ": "))
                << option << " " << bad << " -> " << r.error;
            EXPECT_NE(r.error.find(std::to_string(lo) + " to " + std::to_string(hi)),
                      std::string::npos)
                << r.error;
        }
    }
    // Ten effect values and the two region values.
    EXPECT_EQ(seen, 12);
}

TEST(CommandLineHelp, FormatRulesItStatesAreTheOnesParsed) {
    const std::string help(UsageText());
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(help, m, std::regex(R"(depths ([0-9, ]+); sides (\d+) \.\.\. (\d+))")));
    std::set<int> depths;
    std::istringstream list(m[1].str());
    for (std::string d; std::getline(list, d, ',');) {
        depths.insert(std::stoi(d));
    }
    for (int bits = 0; bits <= 33; ++bits) {
        const std::string text = std::to_string(bits) + ":16x16";
        EXPECT_EQ(ParseFormat(text).has_value(), depths.contains(bits)) << text;
    }
    const int lo = std::stoi(m[2]), hi = std::stoi(m[3]);
    EXPECT_TRUE(ParseFormat("8:" + std::to_string(lo) + "x" + std::to_string(hi)));
    EXPECT_FALSE(ParseFormat("8:" + std::to_string(lo - 1) + "x" + std::to_string(hi)));
    EXPECT_FALSE(ParseFormat("8:" + std::to_string(lo) + "x" + std::to_string(hi + 1)));
    ASSERT_TRUE(std::regex_search(help, m, std::regex(R"(default: the (\d+) standard formats)")));
    EXPECT_EQ(Parse(Created({})).options.formats.size(), std::stoul(m[1]));
}

TEST(CommandLineHelp, FlagsTakeNoValueAndLeaveTheNextArgument) {
    // A flag followed by what looks like its value: the value is the picture.
    for (const char* flag :
         {"--no-margin", "--mirror", "--png", "--no-smoothing", "--no-light-4bit"}) {
        const auto r = Parse({"--create", "o.ico", flag, "pic.png"});
        EXPECT_EQ(r.error, "") << flag;
        EXPECT_EQ(r.options.picture, "pic.png") << flag;
    }
    const auto r = Parse({"--create", "o.ico", "--no-smoothing", "--no-light-4bit", "p"});
    EXPECT_FALSE(r.options.smoothing);
    EXPECT_TRUE(r.options.effects.noLight4Bit);
}

TEST(CommandLine, StrictOptions) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--create", "o.ico", "--mirror=0", "a"}, "--mirror: takes no value"},
        {{"--create", "o.ico", "--png=no", "a"}, "--png: takes no value"},
        {{"--create", "o.ico", "--tolerance", "1", "--tolerance=2", "a"}, "--tolerance: given"},
        {{"--create", "o.ico", "--create", "p.ico", "a"}, "--create: given"},
        {{"--create", "o.ico", "--formats", "32:16x16", "--formats", "8:16x16", "a"},
         "--formats: given"},
        {{"--create", "o.ico", "--rotate", "99999999999999999999", "a"}, "--rotate"},
        {{"--create", "o.ico", "--rotate", "-360.001", "a"}, "--rotate"},
        {{"--create", "o.ico", "--rotate", "361", "a"}, "--rotate"},
        {{"--Create", "o.ico", "a"}, "--Create: unknown option"},
        {{"--crate", "o.ico", "a"}, "--crate: unknown option"},
        {{"-x", "a"}, "-x: unknown option"},
        {{"--formats", "32:16x16", "a"}, "--formats: needs --create or --export"},
        {{"--mirror"}, "--mirror: needs --create or --export"},
        {{"--", "a"}, "--: needs --create or --export"},
        {{"--create", "o.ico", "--", "a", "b"}, "b: only one picture"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_TRUE(Parse(args).error.starts_with(message))
            << message << " -> " << Parse(args).error;
    }

    // Region clicks add up; flags may be repeated; "--" ends the options.
    auto r = Parse({"--create", "o.ico", "--clear-color", "1,2", "--clear-region=3,4", "--mirror",
                    "--mirror", "--", "-pic.png"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.clears.size(), 2u);
    EXPECT_TRUE(r.options.mirror);
    EXPECT_EQ(r.options.picture, "-pic.png");
    r = Parse({"--create", "o.ico", "--rotate", "-360", "-"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.rotation, 0);
    EXPECT_EQ(r.options.picture, "-");
    EXPECT_EQ(Parse({"--create", "o.ico", "--rotate", "359.999", "a"}).options.rotation, 359999);
}

TEST(CommandLine, AnyOptionMeansTheBatchFrontEndButTheWizardSwitch) {
    using Args = std::vector<std::string>;
    for (const Args& args : {Args{"--Create", "o.ico", "p"}, Args{"p", "--crate"}, Args{"-x"},
                             Args{"--formats", "32:16x16", "p"}, Args{"--"}, Args{"-delete"}}) {
        EXPECT_TRUE(IsBatchInvocation(args)) << args[0];
    }
    for (const Args& args : {Args{"-del"}, Args{"/DEL"}, Args{"-Del", "p"}, Args{"-"},
                             Args{"p.png"}, Args{"/home/me/a.png"}}) {
        EXPECT_FALSE(IsBatchInvocation(args)) << args[0];
    }
}

}  // namespace
}  // namespace varlen
