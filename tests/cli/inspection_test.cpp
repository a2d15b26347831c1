// info, and what extract learns from a packed file's blocks: --auto, the
// notes, and --whole for a sound with a pause.
#include <cmath>
#include <regex>

#include "conversion/codec/byte_order.h"
#include "conversion/files/packing.h"
#include "tests/cli/cli_runner.h"

namespace {

class Inspection : public CliTest {
protected:
    // A packed file of channels: 0.2 s of tone, 0.3 s of digital silence,
    // 0.1 s of tone, in the mode force gives.
    void WritePaused(const std::string& name, int channels, ChannelForce force) {
        std::vector<int16_t> samples;
        for (int frame = 0; frame < 26460; ++frame)
            for (int c = 0; c < channels; ++c)
                samples.push_back(frame >= 8820 && frame < 22050
                                      ? 0 : static_cast<int16_t>(8000 * std::sin(frame * (0.05 + 0.03 * c))));
        WriteFileBytes(Path("paused.wav"), MakePcmWav(channels, 44100, samples));
        ASSERT_EQ(PackSoundFileStatus(Path("paused.wav").c_str(), Path(name).c_str(), force, nullptr), CONV_OK);
    }
    // What extract writes with args (IN and options; OUT is added), and
    // what it says.
    Bytes Extract(std::vector<std::string> args, std::string* said) {
        args.insert(args.begin(), "extract");
        args.push_back(Path("out.wav"));
        const CliOutcome outcome = Run(args);
        EXPECT_EQ(outcome.exitCode, 0);
        *said = outcome.err;
        return ReadFileBytes(Path("out.wav"));
    }
};

std::string Find(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "(none)";
}

TEST_F(Inspection, InfoTellsAPackedFileAlikeInTextAndInJson) {
    WritePaused("paused.wad", 1, FORCE_NONE);
    // What the whole decoded sound is, from an extraction without the cut.
    std::string said;
    const std::vector<int16_t> whole = WavSamples(Extract({Path("paused.wad"), "--whole"}, &said));
    int peak = 0;
    double energy = 0;
    for (int16_t s : whole) {
        peak = std::max(peak, std::abs(int(s)));
        energy += double(s) * s;
    }
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.3f|%.1f|%.1f", double(whole.size()) / 44100.0, 20 * std::log10(peak / 32768.0),
                  10 * std::log10(energy / double(whole.size())) - 20 * std::log10(32768.0));
    const std::string text = Run({"info", Path("paused.wad")}).out;
    const std::string json = Run({"info", "--json", Path("paused.wad")}).out;
    EXPECT_EQ(Find(text, "frames, (\\S+) s\\n") + "|" + Find(text, "peak (\\S+) dBFS") + "|" + Find(text, "RMS (\\S+) dBFS"),
              expected);
    EXPECT_EQ(Find(json, "\"duration_s\":([^,]+)") + "|" + Find(json, "\"peak_dbfs\":([^,]+)") + "|" +
                  Find(json, "\"rms_dbfs\":([^,]+)"),
              expected);
    EXPECT_EQ(Find(json, "\"frames\":(\\d+)"), std::to_string(whole.size()));
    // The cut falls in the pause, and 0.4 s of it and the tone follow.
    const double cut = std::stod(Find(json, "\"cut_s\":([^,]+)")), after = std::stod(Find(json, "\"after_cut_s\":([^}]+)"));
    EXPECT_NEAR(cut, 0.2, 0.003);
    EXPECT_NEAR(after, 0.4, 0.003);
    EXPECT_EQ(Find(text, "silence cut: at (\\S+) s;") + " " + Find(text, "; (\\S+) s of sound after it"),
              Find(json, "\"cut_s\":([^,]+)") + " " + Find(json, "\"after_cut_s\":([^}]+)"));
    for (const char* field : {"\"kind\":\"packed\"", "\"extension_mode\":\"mono\"", "\"blocks_mode\":\"mono\"",
                              "\"read_as\":\"mono\"", "\"file\":\""})
        EXPECT_NE(json.find(field), std::string::npos) << field;
    EXPECT_EQ(json.back(), '\n');
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1);
}

TEST_F(Inspection, InfoTellsWhatPackingWouldDoToAWav) {
    WriteFileBytes(Path("voice.wav"), MakePcmWav(2, 48000, std::vector<int16_t>(9600, 100)));
    const CliOutcome outcome = Run({"info", Path("voice.wav"), "--json"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(Find(outcome.out, "\"\\.wad\":\"([^\"]*)\""),
              "48000 Hz resampled to 44100 Hz; stereo mixed down to mono for .wad");
    EXPECT_EQ(Find(outcome.out, "\"\\.adx\":\"([^\"]*)\""), "48000 Hz resampled to 44100 Hz");
    EXPECT_EQ(Find(outcome.out, "\"duration_s\":([^,]+)"), "0.100");
    EXPECT_EQ(Run({"info", Path("missing.wad"), Path("voice.wav")}).exitCode, 1);
}

TEST_F(Inspection, ExtractFollowsOrNotesTheBlocksAndTheCut) {
    WritePaused("music.wad", 2, FORCE_STEREO);  // stereo blocks under a mono name
    WritePaused("voice.wad", 1, FORCE_NONE);
    const std::string stereo = Path("music.wad"), mono = Path("voice.wad");
    const std::string dropped = " s of sound after the cut at 0.2 s were dropped (--whole keeps them)\n";
    struct Case {
        std::vector<std::string> args;
        int channels;
        double seconds;
        std::string said;
    };
    const Case cases[] = {
        {{stereo, "--auto", "--whole"}, 2, 0.6,
         "velkmar-cli: " + stereo + ": read as stereo, as its blocks show (its extension says mono)\n"},
        {{stereo, "--whole"}, 1, 1.2,
         "velkmar-cli: " + stereo + ": its blocks are stereo; read as mono (use --stereo or --auto)\n"},
        {{stereo, "--stereo", "--whole"}, 2, 0.6, ""},
        {{stereo, "--quiet"}, 1, -1, ""},
        {{mono}, 1, 0.2, "velkmar-cli: " + mono + ": 0.4" + dropped},
        {{mono, "--whole"}, 1, 0.6, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : c.args[0]);
        std::string said;
        const Bytes wav = Extract(c.args, &said);
        EXPECT_EQ(said, c.said);
        ASSERT_GT(wav.size(), 44u);
        EXPECT_EQ(ReadLe16(wav.data() + 22), c.channels);
        if (c.seconds > 0) {
            EXPECT_NEAR(double(wav.size() - 44) / (2.0 * c.channels * 44100), c.seconds, 0.003);
        }
    }
}

}  // namespace
