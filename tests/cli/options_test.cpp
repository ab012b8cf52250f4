#include "cli/options.h"

#include <gtest/gtest.h>

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
