#include "stick/hid_descriptor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct DescriptorCase {
    std::string name;
    std::vector<uint8_t> bytes;
    int input = -1, output = -1, feature = -1, usagePage = -1, usage = -1;
};

// A case file: "#" comment lines, one of them "# input N output N feature N
// usagepage N usage N", then the descriptor as hexadecimal bytes.
DescriptorCase load(const std::filesystem::path& file)
{
    DescriptorCase c;
    c.name = file.stem().string();
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind('#', 0) == 0) {
            std::istringstream words(line.substr(1));
            std::string key;
            int value = 0;
            while (words >> key) {
                if (!(words >> value))
                    break;
                if (key == "input") c.input = value;
                else if (key == "output") c.output = value;
                else if (key == "feature") c.feature = value;
                else if (key == "usagepage") c.usagePage = value;
                else if (key == "usage") c.usage = value;
            }
            continue;
        }
        std::istringstream hex(line);
        for (std::string byte; hex >> byte;)
            c.bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
    }
    return c;
}

std::vector<std::string> caseFiles()
{
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(DESCRIPTOR_DIR))
        if (e.path().extension() == ".txt")
            files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

class DescriptorFile : public ::testing::TestWithParam<std::string> {};

TEST_P(DescriptorFile, GivesTheDevicesKnownReportLengths)
{
    const DescriptorCase c = load(GetParam());
    ASSERT_FALSE(c.bytes.empty());
    ASSERT_GE(c.input, 0) << "the case file names its expected lengths";
    const vs::HidCaps caps = vs::parseReportDescriptor(c.bytes);
    EXPECT_EQ(caps.InputReportByteLength, c.input);
    EXPECT_EQ(caps.OutputReportByteLength, c.output);
    EXPECT_EQ(caps.FeatureReportByteLength, c.feature);
    EXPECT_EQ(caps.UsagePage, c.usagePage);
    EXPECT_EQ(caps.Usage, c.usage);
}

INSTANTIATE_TEST_SUITE_P(RealDevices, DescriptorFile, ::testing::ValuesIn(caseFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return std::filesystem::path(info.param).stem().string();
                         });

TEST(Descriptor, GarbageNeverReadsOutOfBounds)
{
    std::vector<uint8_t> junk = {0xFE, 0xFF, 0x03, 0x27, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81};
    for (size_t n = 0; n <= junk.size(); ++n)
        vs::parseReportDescriptor(junk.data(), n);
    // Huge size x count is capped rather than overflowing.
    const vs::HidCaps caps = vs::parseReportDescriptor({0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02});
    EXPECT_GT(caps.InputReportByteLength, 0);
}

} // namespace
