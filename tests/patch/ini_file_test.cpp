// The in-memory INI file: what it reads, what it keeps on rewrite, the encodings it round-trips,
// the files it refuses, and that a failed write leaves the old file whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "patch/file_io.h"
#include "patch/ini_file.h"
#include "support/temp_folder.h"

namespace brelix {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

TIniFile Parsed(std::string_view text) {
  TIniFile ini;
  ini.LoadFromBytes(text);
  return ini;
}

TEST(IniFile, ReadsNamesWithoutRegardToCaseAndOddSpacing) {
  const TIniFile ini = Parsed(
      "  [ Filter.2 ]  \n"
      "\tFilterCUTOFF   =  1000 \r\n"
      "FilterReso=\r"
      "; FilterGain=5\n"
      "NoEquals\n"
      "FilterType = 3 = 4\n");
  EXPECT_EQ(ini.ReadValue("filter.2", "FilterCutoff"), "1000");
  EXPECT_EQ(ini.ReadValue("FILTER.2", "filterreso"), "");
  EXPECT_EQ(ini.ReadValue("Filter.2", "FilterType"), "3 = 4");  // the first "=" splits
  EXPECT_FALSE(ini.ReadValue("Filter.2", "FilterGain"));        // a comment is no key
  EXPECT_FALSE(ini.ReadValue("Filter.2", "NoEquals"));
  EXPECT_FALSE(ini.ReadValue("Filter.1", "FilterCutoff"));
  EXPECT_TRUE(ini.SectionExists("FILTER.2"));
}

TEST(IniFile, RewriteKeepsUnknownLinesInOrderWithCrLfAndAnEmptyLineAfterEachSection) {
  TIniFile ini = Parsed(
      "; written by hand\n"
      "[B]\nz=1\n; note\nodd line\ny=2\n\n\n"
      "[A]\nx=3\n");
  ini.WriteValue("b", "Y", "20");  // an existing key keeps its place and takes the new spelling
  ini.WriteValue("B", "w", "4");   // a new key goes to the end of its section
  ini.WriteValue("C", "v", "5");   // a new section goes to the end of the file
  EXPECT_EQ(ini.SaveToBytes(),
            "; written by hand\r\n\r\n"
            "[B]\r\nz=1\r\n; note\r\nodd line\r\nY=20\r\nw=4\r\n\r\n"
            "[A]\r\nx=3\r\n\r\n"
            "[C]\r\nv=5\r\n\r\n");
  // What the writer wrote reads back to the same text.
  EXPECT_EQ(Parsed(ini.SaveToBytes()).SaveToBytes(), ini.SaveToBytes());
}

TEST(IniFile, RepeatedSectionsJoinTheFirstAndTheFirstOfRepeatedKeysCounts) {
  TIniFile ini = Parsed("[S]\na=1\na=2\n[T]\nb=1\n[s]\nc=3\na=4\n");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"S", "T"}));
  EXPECT_EQ(ini.ReadValue("S", "a"), "1");
  EXPECT_EQ(ini.ReadValue("S", "c"), "3");
  // Writing a key leaves one line of it, so the file no longer disagrees with itself.
  ini.WriteValue("S", "a", "9");
  EXPECT_EQ(ini.SaveToBytes(), "[S]\r\na=9\r\nc=3\r\n\r\n[T]\r\nb=1\r\n\r\n");
}

// Processor time of this thread, in seconds.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string EmptySections(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text.append("[S").append(std::to_string(i)).append("]\r\n");
  return text;
}

// Reads `files` copies of `text` (all kept until the end, so that each takes fresh memory) and
// finds a few of the sections in each; the processor time this took.
double ReadingSeconds(const std::string& text, int files, int sections) {
  const double start = ThreadSeconds();
  std::vector<TIniFile> read(static_cast<size_t>(files));
  for (TIniFile& ini : read) {
    ini.LoadFromBytes(text);
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(ini.SectionExists("s" + std::to_string(sections - 1 - i)));
    ini.WriteValue("S0", "Key", "1");
  }
  return ThreadSeconds() - start;
}

// A file of tiny sections (4 MB of them is about half a million) is read in time linear in its
// size: one file of 500,000 sections costs about as much as ten of 50,000, not ten times that.
TEST(IniFile, ReadingTimeGrowsLinearlyWithTheNumberOfSections) {
  const std::string small = EmptySections(50'000);
  const std::string large = EmptySections(500'000);
  const double ten_small = ReadingSeconds(small, 10, 50'000);
  const double one_large = ReadingSeconds(large, 1, 500'000);
  EXPECT_LT(one_large, 2.5 * ten_small) << "ten files of 50,000 sections: " << ten_small << " s, one of 500,000: "
                                        << one_large << " s";
  RecordProperty("ratio", std::to_string(one_large / (ten_small / 10)));
}

TEST(IniFile, KeysAndSectionsKnowTheLinesTheyWereReadFrom) {
  // Line breaks of every kind count, and so do blank lines, comments and keys above the first
  // section; a UTF-16 file counts the same lines.
  const std::string text = "top=0\r\n; note\n\n[S]\ra=1\r\n[T]\nb=2\n[s]\n  c = 3 \n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) utf16 += std::string{c, '\0'};
  for (const std::string& bytes : {text, utf16}) {
    TIniFile ini = Parsed(bytes);
    using Key = TIniFile::KeyLine;
    const std::vector<Key> keys = ini.KeyLines();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ((std::vector<int>{keys[0].line, keys[1].line, keys[2].line}), (std::vector<int>{5, 9, 7}));
    EXPECT_EQ(keys[1].section, "S");
    EXPECT_EQ(keys[1].key, "c");
    EXPECT_EQ(keys[1].value, "3");
    EXPECT_EQ(ini.SectionLine("s"), 4);
    EXPECT_EQ(ini.SectionLine("T"), 6);
    EXPECT_EQ(ini.SectionLine("U"), 0);
    ini.WriteValue("U", "d", "4");
    EXPECT_EQ(ini.KeyLines().back().line, 0);
  }
}

TEST(IniFile, ALineBreakInAValueCannotMakeKeysOfItsOwn) {
  TIniFile ini;
  ini.WriteValue("SampleOsc.1", "SampleOscFile", "/a\r\n[Test]\nDoNotSave=1");
  const TIniFile back = Parsed(ini.SaveToBytes());
  EXPECT_FALSE(back.SectionExists("Test"));
  EXPECT_EQ(back.ReadValue("SampleOsc.1", "SampleOscFile"), "/a[Test]DoNotSave=1");
}

// The UTF-16 bytes of `text` with its byte-order mark.
std::string Utf16File(std::u16string_view text, bool big_endian) {
  std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? hi : lo;
    bytes += big_endian ? lo : hi;
  }
  return bytes;
}

TEST(IniFile, ByteOrderMarkedFilesAreWrittenBackInTheirEncoding) {
  const std::string text = "[Engine]\r\nVersion=1.0.0\r\n\r\n[SampleOsc.1]\r\nSampleOscFile=/s\xC3\xA4mples/\xF0\x9F\x8E\xB9.wav\r\n\r\n";
  const std::u16string text16 = u"[Engine]\r\nVersion=1.0.0\r\n\r\n[SampleOsc.1]\r\nSampleOscFile=/s\u00E4mples/\U0001F3B9.wav\r\n\r\n";
  const std::string utf16le = Utf16File(text16, false), utf16be = Utf16File(text16, true);

  struct Case {
    std::string bytes;
    TextEncoding encoding;
  };
  const Case cases[] = {{text, TextEncoding::Bytes},
                        {"\xEF\xBB\xBF" + text, TextEncoding::Utf8Bom},
                        {utf16le, TextEncoding::Utf16LE},
                        {utf16be, TextEncoding::Utf16BE}};
  for (const Case& c : cases) {
    const TIniFile ini = Parsed(c.bytes);
    EXPECT_EQ(ini.Encoding(), c.encoding);
    EXPECT_EQ(ini.ReadValue("SampleOsc.1", "SampleOscFile"), "/s\xC3\xA4mples/\xF0\x9F\x8E\xB9.wav");
    EXPECT_EQ(ini.SaveToBytes(), c.bytes);
  }
}

TEST(IniFile, FileNameBytesThatAreNotUtf8SurviveAUtf16File) {
  TIniFile ini = Parsed("\xFF\xFE");
  const std::string latin1_name = "/samples/caf\xE9\xFF.wav";  // a name from a Latin-1 system
  ini.WriteValue("SampleOsc.1", "SampleOscFile", latin1_name);
  const TIniFile back = Parsed(ini.SaveToBytes());
  EXPECT_EQ(back.Encoding(), TextEncoding::Utf16LE);
  EXPECT_EQ(back.ReadValue("SampleOsc.1", "SampleOscFile"), latin1_name);
  // An unpaired surrogate that stands for no byte becomes U+FFFD; an odd last byte is dropped.
  EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x00\xD8x\0y", 7)).text, "\xEF\xBF\xBDx");
}

TEST(IniFile, TextThatIsNotIniLoadsAsAnEmptyFileOfOpaqueLines) {
  TIniFile ini = Parsed("This is a letter, not a patch.\nDear reader = friend\n\xC3\xA9\x80\xFF\n");
  EXPECT_TRUE(ini.SectionNames().empty());
  ini.WriteValue("Engine", "Version", "1.0.0");
  EXPECT_EQ(ini.SaveToBytes(),
            "This is a letter, not a patch.\r\nDear reader = friend\r\n\xC3\xA9\x80\xFF\r\n\r\n"
            "[Engine]\r\nVersion=1.0.0\r\n\r\n");
}

class IniFileOnDisk : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(IniFileOnDisk, AMissingFileIsEmptyAndTheWriteCreatesIt) {
  const std::string name = folder_.file("new.tw");
  TIniFile ini(name);
  EXPECT_TRUE(ini.SectionNames().empty());
  ini.WriteValue("Engine", "Version", "1.0.0");
  ini.UpdateFile();
  EXPECT_EQ(ReadBytes(name), "[Engine]\r\nVersion=1.0.0\r\n\r\n");
  EXPECT_EQ(folder_.count(), 1u);  // no temporary file left
}

TEST_F(IniFileOnDisk, RefusesWhatIsNoTextFileOfSaneSize) {
  WriteBytes(folder_.file("binary.tw"), std::string("\x7F" "ELF\x02\x01\x01\0\0\0[Engine]\nVersion=1\n", 29));
  WriteBytes(folder_.file("huge.tw"), std::string(TIniFile::kMaxFileBytes + 1, 'x'));
  std::filesystem::create_directory(folder_.file("folder.tw"));
  ASSERT_EQ(mkfifo(folder_.file("pipe.tw").c_str(), 0600), 0);
  struct Case {
    const char* name;
    const char* reason;
  };
  const Case cases[] = {{"binary.tw", "it is not a text file"},
                        {"huge.tw", "the file is larger than 4194304 bytes"},
                        {"folder.tw", "it is not a regular file"},
                        {"pipe.tw", "it is not a regular file"}};
  for (const Case& c : cases) {
    try {
      TIniFile ini(folder_.file(c.name));
      ADD_FAILURE() << c.name << " was read";
    } catch (const FileError& error) {
      EXPECT_STREQ(error.what(), c.reason) << c.name;
    }
  }
  // A file just at the limit is still read.
  WriteBytes(folder_.file("limit.tw"), std::string(TIniFile::kMaxFileBytes, 'x'));
  EXPECT_NO_THROW(TIniFile(folder_.file("limit.tw")));
}

TEST_F(IniFileOnDisk, AWriteThatFailsHalfWayLeavesTheOldFileAndNoTemporaryFile) {
  const std::string name = folder_.file("user.tw");
  const std::string old_content = "[Engine]\r\nVersion=1.0.0\r\n\r\n[Mine]\r\nKeep=this\r\n\r\n";
  WriteBytes(name, old_content);
  TIniFile ini(name);
  for (int i = 0; i < 2000; ++i) ini.WriteValue("Big", "Key" + std::to_string(i), std::string(20, 'v'));

  // The file size limit makes the kernel refuse the write part of the way through, as a full
  // disk does.
  struct sigaction ignore{}, previous{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  std::string reason;
  try {
    ini.UpdateFile();
  } catch (const FileError& error) {
    reason = error.what();
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_EQ(reason, "File too large");
  EXPECT_EQ(ReadBytes(name), old_content);
  EXPECT_EQ(folder_.count(), 1u);
}

TEST_F(IniFileOnDisk, AFolderThatCannotTakeTheFileIsReported) {
  TIniFile ini(folder_.file("missing/sub/x.tw"));
  ini.WriteValue("A", "b", "c");
  EXPECT_THROW(ini.UpdateFile(), FileError);
}

TEST_F(IniFileOnDisk, ReplacingKeepsPermissionsAndTheFileALinkPointsAt) {
  const std::string target = folder_.file("real.tw");
  WriteBytes(target, "[A]\r\nb=1\r\n\r\n");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  const std::string link = folder_.file("link.tw");
  std::filesystem::create_symlink(target, link);

  TIniFile ini(link);
  ini.WriteValue("A", "b", "2");
  ini.UpdateFile();

  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadBytes(target), "[A]\r\nb=2\r\n\r\n");
  struct stat info{};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(folder_.count(), 2u);
}

// No write bit for anyone: not replaced, by root either.
TEST_F(IniFileOnDisk, AWriteProtectedFileIsNotReplaced) {
  const std::string name = folder_.file("locked.tw");
  WriteBytes(name, "[A]\r\nb=1\r\n\r\n");
  ASSERT_EQ(chmod(name.c_str(), 0444), 0);
  TIniFile ini(name);
  ini.WriteValue("A", "b", "2");
  EXPECT_THROW(ini.UpdateFile(), FileError);
  EXPECT_EQ(ReadBytes(name), "[A]\r\nb=1\r\n\r\n");
}

}  // namespace
}  // namespace brelix

namespace brelix {
namespace {

TEST(IniFile, AFileWithoutAMarkStaysOneWhenItsTextComesToStartLikeOne) {
  // The first line loses its leading space, which leaves a UTF-16 mark at the very start.
  for (std::string_view mark : {std::string_view("\xFF\xFE"), std::string_view("\xFE\xFF"), std::string_view("\xEF\xBB\xBF")}) {
    TIniFile first;
    first.LoadFromBytes(" " + std::string(mark) + "; a comment\r\n[Engine]\r\nVersion=1\r\n");
    const std::string written = first.SaveToBytes();
    TIniFile second;
    second.LoadFromBytes(written);
    EXPECT_EQ(second.Encoding(), TextEncoding::Bytes);
    EXPECT_EQ(second.ReadValue("Engine", "Version"), std::optional<std::string>("1"));
    EXPECT_EQ(second.SaveToBytes(), written);
  }
}

}  // namespace
}  // namespace brelix
