// The command line itself: help, version, and every wrong use, which
// exits 2 with a reason and a usage line and touches no file.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"

namespace {

class Usage : public CliTest {};

TEST_F(Usage, HelpAndVersionGoToStandardOutput) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-h"}, {"pack", "a", "b", "c", "--help"}}) {
        CliOutcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.err, "");
        for (const char* part : {"Usage: velkmar-cli", "extract IN [OUT]", "extract-folder SRC DST", "pack IN.wav OUT", "pack-folder SRC DST", "--ext KIND", "info FILE...", "--auto", "--whole", "--json",
                                 "--mono, --stereo", "--verbose", "Exit status"})
            EXPECT_NE(outcome.out.find(part), std::string::npos) << part;
    }
    CliOutcome outcome = Run({"--version"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "velkmar-cli 1.2.1.0\n");
    EXPECT_EQ(outcome.err, "");
}

TEST_F(Usage, WrongUseExitsTwoWithAReasonAndAUsageLine) {
    const std::string any =
        "Usage: velkmar-cli extract | extract-folder | pack | pack-folder | info ... (velkmar-cli --help tells more)\n";
    const std::string extract =
        "Usage: velkmar-cli extract IN [OUT] [--mono | --stereo | --auto] [--whole] [--verbose | --quiet]\n";
    const std::string folder =
        "Usage: velkmar-cli extract-folder SRC DST [--mono | --stereo | --auto] [--whole] [--verbose | --quiet]\n";
    const std::string info = "Usage: velkmar-cli info FILE... [--mono | --stereo | --auto] [--json]\n";
    const std::string pack = "Usage: velkmar-cli pack IN.wav OUT [--mono | --stereo] [--verbose | --quiet]\n";
    const std::string packFolder =
        "Usage: velkmar-cli pack-folder SRC DST [--ext wad|adx|adp] [--mono | --stereo] [--verbose | --quiet]\n";
    MakePacked(Path("a.wad"), 1);
    const std::string a = Path("a.wad"), b = Path("b.wav");
    struct { std::vector<std::string> args; std::string reason, usage; } cases[] = {
        {{}, "no command given", any},
        {{"--verbose"}, "no command given", any},
        {{"convert", a}, "unknown command 'convert'", any},
        {{"--bogus", "extract", a}, "unknown option '--bogus'", any},
        {{"extract"}, "missing IN", extract},
        {{"extract", a, b, Path("c.wav")}, "too many arguments: '" + Path("c.wav") + "'", extract},
        {{"extract", a, "-x"}, "unknown option '-x'", extract},
        {{"extract", a, "--mono", "--stereo"}, "--mono and --stereo exclude each other", extract},
        {{"extract", ""}, "empty path", extract},
        {{"extract-folder", Path("")}, "missing DST", folder},
        {{"extract-folder", "--verbose", "--quiet", Path("x"), Path("y")},
         "--verbose and --quiet exclude each other", folder},
        {{"pack", b}, "missing OUT", pack},
        {{"pack", "--ext", "wad", b, a}, "--ext applies to pack-folder only", pack},
        {{"pack", b, a, "--whole"}, "--whole applies to extract and extract-folder only", pack},
        {{"extract", a, "--json"}, "--json applies to info only", extract},
        {{"info", a, "--auto", "--mono"}, "--mono and --auto exclude each other", info},
        {{"info"}, "missing FILE", info},
        {{"pack-folder", Path("x"), Path("y"), "--ext=wav"}, "--ext takes wad, adx or adp, not 'wav'", packFolder},
        {{"pack-folder", Path("x"), Path("y"), "--ext"}, "--ext needs wad, adx or adp", packFolder},
    };
    const std::vector<std::string> before = Entries(folder_);
    const Bytes packed = ReadFileBytes(a);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        CliOutcome outcome = Run(c.args);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.err, "velkmar-cli: " + c.reason + "\n" + c.usage);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(Entries(folder_), before);
        EXPECT_EQ(ReadFileBytes(a), packed);
    }
}

}  // namespace
