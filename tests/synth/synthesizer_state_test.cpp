// The instance and its files: the settings and the default patch at construction, the program
// chunk the host gets and sets, and the save question when the instance closes.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/rates.h"
#include "patch/program_chunk.h"
#include "support/plugin_folder.h"
#include "support/program_chunk_bytes.h"
#include "support/scripted_ui.h"
#include "support/synth_instance.h"

namespace brelix {
namespace {

using testing::PluginFolder;
using testing::ProgramChunkBytes;
using testing::ReadBytes;
using testing::RecordedMessages;
using testing::ScriptedDialogs;
using testing::WriteBytes;

class SynthesizerState : public ::testing::Test {
 protected:
  void TearDown() override {
    synth_.reset();
    RealSampleBase = 44100.0f;
    OversampleBase = 44100.0f;
  }

  XSynthesizer& Make() {
    synth_ = testing::MakeSynth();
    return *synth_;
  }
  XPatch& patch() { return *synth_->Multi->EditBuffer; }
  std::string default_patch() const { return folder_.file("Brelix.tw"); }

  std::vector<uint8_t> GetChunk() {
    void* data = nullptr;
    const int32_t size = synth_->GetChunk(&data, false);
    EXPECT_GT(size, kProgramChunkSize);  // the record, then the patch
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
  }
  int32_t SetChunk(std::vector<uint8_t> chunk) {
    return synth_->SetChunk(chunk.data(), static_cast<int64_t>(chunk.size()), false);
  }

  PluginFolder folder_;
  RecordedMessages messages_;
  ScriptedDialogs dialogs_;
  testing::Synth synth_;
};

TEST_F(SynthesizerState, AFreshInstanceWithoutFilesPlaysTheDefaultPatch) {
  XSynthesizer& synth = Make();
  EXPECT_EQ(synth.Multi->PatchFile, default_patch());
  EXPECT_FALSE(synth.Multi->Modified);
  EXPECT_EQ(synth.Multi->Channel, 0);
  EXPECT_EQ(synth.Multi->MaxVoice, 15);
  EXPECT_EQ(synth.ActiveVoices, 16);
  EXPECT_EQ(patch().Volume, 1.0f);
  EXPECT_EQ(synth.Effect()->numParams, 1);
  EXPECT_FALSE(synth.Automation);
  EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(SynthesizerState, TheDefaultPatchFileAndTheSettingsNextToTheLibraryAreRead) {
  WriteBytes(default_patch(), "[Voice]\r\nVolume=0.5\r\n[Filter.1]\r\nFilterCutoff=500\r\n");
  WriteBytes(folder_.file("Brelix.Ini"),
             "[Editor]\nAutomation=1\nEditAutomation=1\nExternalControl=1\n[Engine]\nRealSampleBase=48000\n");
  XSynthesizer& synth = Make();
  EXPECT_EQ(patch().Volume, 0.5f);
  EXPECT_EQ(patch().FilterCutoff.lane(0), 500.0f);
  EXPECT_FALSE(synth.Multi->Modified);
  EXPECT_EQ(synth.Effect()->numParams, 443);
  EXPECT_TRUE(synth.Automation);
  EXPECT_TRUE(synth.EditAutomation);
  EXPECT_FALSE(synth.ExternalControl);  // the editor clears it
  EXPECT_EQ(RealSampleBase.load(), 48000.0f);
  EXPECT_EQ(OversampleBase.load(), 48000.0f);
}

TEST_F(SynthesizerState, GetChunkNamesThePatchFileAndSavesOnlyAChangedPatch) {
  XSynthesizer& synth = Make();
  synth.Multi->Channel = 9;
  const std::vector<uint8_t> chunk = GetChunk();
  EXPECT_EQ(testing::ChunkRecord(chunk), ProgramChunkBytes(9, 15, default_patch()));
  EXPECT_FALSE(std::filesystem::exists(default_patch()));  // clean: nothing written

  patch().Volume = 0.3f;
  synth.Multi->Modified = true;
  GetChunk();
  EXPECT_FALSE(synth.Multi->Modified);
  EXPECT_NE(ReadBytes(default_patch()).find("Volume=0.300000011920929\r\n"), std::string::npos);
  EXPECT_TRUE(dialogs_.questions.empty());  // written without asking
}

TEST_F(SynthesizerState, TheChunkBlockStaysValidUntilTheNextGetChunk) {
  XSynthesizer& synth = Make();
  void* first = nullptr;
  synth.GetChunk(&first, false);
  const std::vector<uint8_t> copy(static_cast<uint8_t*>(first), static_cast<uint8_t*>(first) + kProgramChunkSize);
  synth.Multi->Channel = 3;  // the block keeps what it said until it is asked for again
  EXPECT_EQ(std::memcmp(first, copy.data(), copy.size()), 0);
  void* second = nullptr;
  synth.GetChunk(&second, true);
  EXPECT_EQ(static_cast<uint8_t*>(second)[0], 3);
}

// A host's request for the chunk waits for nobody: a changed patch without a file opens no
// dialog and travels in the chunk, and a failed save is a notice, not a box to click away.
TEST_F(SynthesizerState, GetChunkAsksNobodyAndKeepsWhatItCouldNotSave) {
  XSynthesizer& synth = Make();
  synth.Multi->PatchFile.clear();
  patch().Volume = 0.3f;
  synth.Multi->Modified = true;
  const std::vector<uint8_t> unnamed = GetChunk();
  std::optional<ProgramChunkFields> chunk = ProgramChunkRead(unnamed.data(), unnamed.size());
  ASSERT_TRUE(chunk && chunk->Patch);
  EXPECT_TRUE(chunk->Edited);
  EXPECT_EQ(chunk->PatchFile, "");
  EXPECT_NE(chunk->Patch->find("Volume=0.300000011920929\r\n"), std::string::npos);
  EXPECT_TRUE(dialogs_.file_dialogs.empty());
  EXPECT_TRUE(synth.Multi->Modified);  // the close still offers the save dialog

  // A name the file system takes, but not the temporary file written beside it first.
  synth.Multi->PatchFile = folder_.file(std::string(240, 'x') + ".tw");
  const std::vector<uint8_t> failed = GetChunk();
  chunk = ProgramChunkRead(failed.data(), failed.size());
  ASSERT_TRUE(chunk);
  EXPECT_TRUE(chunk->Edited);
  EXPECT_TRUE(messages_.messages.empty());
  ASSERT_EQ(messages_.notices.size(), 1u);
  EXPECT_NE(messages_.notices[0].find("Cannot save patch file:"), std::string::npos);
  EXPECT_TRUE(synth.Multi->Modified);  // so that the next save or the close tries again
}

TEST_F(SynthesizerState, SetChunkTakesChannelVoicesAndFileAndLoadsThePatch) {
  XSynthesizer& synth = Make();
  const std::string file = folder_.file("Lead.tw");
  WriteBytes(file, "[Voice]\r\nVolume=0.25\r\nPlayNote=60\r\n");
  synth.Multi->Modified = true;
  EXPECT_EQ(SetChunk(ProgramChunkBytes(4, 40, file)), 1);
  EXPECT_EQ(synth.Multi->Channel, 4);
  EXPECT_EQ(synth.Multi->MaxVoice, 15);
  EXPECT_EQ(synth.ActiveVoices, 16);
  EXPECT_EQ(synth.Multi->PatchFile, file);
  EXPECT_EQ(patch().Volume, 0.25f);
  EXPECT_FALSE(synth.Multi->Modified);
  EXPECT_EQ(synth.Mute(), 0);
  // The preview note sounds on the chunk's channel.
  EXPECT_EQ(synth.Voices[0]->Note, 60);
  EXPECT_TRUE(messages_.messages.empty());
  EXPECT_TRUE(messages_.notices.empty());
}

TEST_F(SynthesizerState, SetChunkNamingAMissingFileKeepsThePatch) {
  XSynthesizer& synth = Make();
  patch().Volume = 0.7f;
  EXPECT_EQ(SetChunk(ProgramChunkBytes(2, 7, folder_.file("moved away.tw"))), 1);
  EXPECT_EQ(synth.Multi->Channel, 2);
  EXPECT_EQ(synth.ActiveVoices, 8);
  EXPECT_EQ(patch().Volume, 0.7f);
  EXPECT_EQ(SetChunk(ProgramChunkBytes(2, 7, "")), 1);  // an empty name names no file either
  EXPECT_EQ(patch().Volume, 0.7f);
}

TEST_F(SynthesizerState, SetChunkWithNoVoicesIgnoresAllMidi) {
  XSynthesizer& synth = Make();
  EXPECT_EQ(SetChunk(ProgramChunkBytes(0, -1, "")), 1);
  EXPECT_EQ(synth.ActiveVoices, 0);
  const uint8_t note_on[3] = {0x90, 60, 100};
  synth.Multi->ProcessEvent(note_on);
  for (const auto& voice : synth.Voices) EXPECT_EQ(voice->Note, 0);
  // A damaged voice field far below -1 is no voice either, never a slot outside 0..15.
  std::vector<uint8_t> damaged = ProgramChunkBytes(0, 0, "");
  const int32_t below = -1000;
  std::memcpy(damaged.data() + 4, &below, 4);
  SetChunk(damaged);
  EXPECT_EQ(synth.Multi->MaxVoice, -1);
  EXPECT_EQ(synth.ActiveVoices, 0);
}

TEST_F(SynthesizerState, ABlockOfAnotherSizeIsReportedAndTheCurrentFileReloaded) {
  WriteBytes(default_patch(), "[Voice]\r\nVolume=0.5\r\n");
  XSynthesizer& synth = Make();
  patch().Volume = 0.9f;
  std::vector<uint8_t> block(100, 0);
  EXPECT_EQ(SetChunk(block), 1);
  EXPECT_TRUE(messages_.messages.empty());  // a notice: the host's call waits for nobody
  ASSERT_EQ(messages_.notices.size(), 1u);
  EXPECT_EQ(messages_.notices[0], ModuleFileName + "\r\rDifferent synthesizer data format!");
  EXPECT_EQ(synth.Multi->Channel, 0);
  EXPECT_EQ(synth.ActiveVoices, 16);
  EXPECT_EQ(patch().Volume, 0.5f);
  EXPECT_EQ(synth.Mute(), 0);
  // No data at all: nothing happens.
  EXPECT_EQ(synth.SetChunk(nullptr, 264, false), 1);
  EXPECT_EQ(messages_.notices.size(), 1u);
  // Sizes a host may send for other plug-ins' data, including a negative one.
  for (int32_t size : {0, 263, 265, -264}) EXPECT_EQ(synth.SetChunk(block.data(), size, false), 1);
  EXPECT_EQ(messages_.notices.size(), 5u);
}

TEST_F(SynthesizerState, ClosingAChangedPatchAsksOnceAndYesSavesIt) {
  XSynthesizer& synth = Make();
  patch().Volume = 0.4f;
  synth.Multi->Modified = true;
  dialogs_.yes_no.push_back(true);
  synth_.reset();
  EXPECT_EQ(dialogs_.questions, std::vector<std::string>{"Do you want to save patch Brelix.tw?"});
  EXPECT_NE(ReadBytes(default_patch()).find("Volume=0.400000005960464\r\n"), std::string::npos);
}

TEST_F(SynthesizerState, ClosingAChangedPatchAndAnsweringNoDiscardsTheChanges) {
  XSynthesizer& synth = Make();
  synth.Multi->Modified = true;
  dialogs_.yes_no.push_back(false);
  synth_.reset();
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(default_patch()));
}

TEST_F(SynthesizerState, ClosingACleanPatchAsksNothing) {
  Make();
  synth_.reset();
  EXPECT_TRUE(dialogs_.questions.empty());
  EXPECT_TRUE(dialogs_.file_dialogs.empty());
}

TEST_F(SynthesizerState, ClosingAChangedPatchWithoutFileOffersTheSaveDialog) {
  XSynthesizer& synth = Make();
  synth.Multi->PatchFile.clear();
  synth.Multi->Modified = true;
  const std::string chosen = folder_.file("Kept.tw");
  dialogs_.files.push_back(chosen);
  synth_.reset();
  EXPECT_TRUE(dialogs_.questions.empty());
  EXPECT_EQ(dialogs_.file_dialogs.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(chosen));
}

TEST(SynthesizerHeadless, WithoutADisplayTheCloseQuestionIsAnsweredNo) {
  PluginFolder folder;
  RecordedMessages messages;
  testing::Synth synth = testing::MakeSynth();
  synth->Multi->Modified = true;
  synth.reset();
  EXPECT_FALSE(std::filesystem::exists(folder.file("Brelix.tw")));
  synth = testing::MakeSynth();
  synth->Multi->PatchFile.clear();
  synth->Multi->Modified = true;
  EXPECT_FALSE(synth->SavePatchAs());  // the headless save dialog is cancelled
  synth.reset();
  EXPECT_EQ(folder.count(), 0u);
}

}  // namespace
}  // namespace brelix
