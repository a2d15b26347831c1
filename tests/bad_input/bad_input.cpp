// The bad-input fixture.
#include "tests/bad_input/bad_input.h"

#include "conversion/files/extraction.h"
#include "conversion/files/packing.h"
#include "conversion/files/presets.h"

const char OPEN_FAILED[] = "Не удалось открыть файл";
const char READ_FAILED[] = "Не удалось прочитать данные из файла";
const char WRITE_FAILED[] = "Не удалось записать данные в файл";

void BadInputTest::SetUp() {
    ScratchFolderTest::SetUp();
    messages_ = &CaptureMessages();
    for (int i = 0; i < 1500; ++i) kept_.push_back(static_cast<uint8_t>(i * 7 + 3));
}

void BadInputTest::PlaceDestination(const std::string& path) { WriteFileBytes(path, kept_); }

void BadInputTest::ExpectNothingLost(const std::string& path, const std::vector<std::string>& names) {
    EXPECT_EQ(HashBytes(ReadFileBytes(path)), HashBytes(kept_)) << path << " changed";
    const size_t cut = path.find_last_of("/\\");
    EXPECT_EQ(ListFolder(cut == std::string::npos ? "." : path.substr(0, cut)), names);
}

ConvStatus BadInputTest::Extract(const Bytes& packed, int channels) {
    WriteFileBytes(Path("in.wad"), packed);
    PlaceDestination(Path("out.wav"));
    ApplyChannelRule(channels == 2 ? FORCE_STEREO : FORCE_MONO, nullptr);
    return ExtractSoundFileStatus(Path("in.wad").c_str(), Path("out.wav").c_str());
}

int BadInputTest::Pack(const Bytes& wav) {
    WriteFileBytes(Path("in.wav"), wav);
    PlaceDestination(Path("out.wad"));
    messages_->clear();
    return PackSoundFile(Path("in.wav").c_str(), Path("out.wad").c_str());
}

void BadInputTest::ExpectMessage(const std::string& text, const std::string& caption) {
    ASSERT_EQ(messages_->size(), 1u);
    EXPECT_EQ(messages_->front().text, text);
    EXPECT_EQ(messages_->front().caption, caption);
    EXPECT_EQ(messages_->front().icon, MESSAGE_ERROR);
    messages_->clear();
}
