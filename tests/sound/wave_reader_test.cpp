#include "sound/wave_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "sound/wave_builder.h"

namespace {

// Reads from a heap block of exactly the file's size, so that AddressSanitizer sees any read
// past its end; checks that what the reader hands back lies inside the file.
struct Read {
    std::unique_ptr<std::uint8_t[]> copy;
    WaveReading wave;
    std::size_t size;

    explicit Read(const Bytes& file) : copy(new std::uint8_t[file.size()]), size(file.size()) {
        std::copy(file.begin(), file.end(), copy.get());
        wave = ReadWave({copy.get(), size});
        for (auto part : {wave.format, wave.data}) {
            if (!part.empty()) {
                EXPECT_GE(part.data(), copy.get());
                EXPECT_LE(part.data() + part.size(), copy.get() + size);
            }
        }
    }
    std::size_t Offset(std::span<const std::uint8_t> part) const {
        return static_cast<std::size_t>(part.data() - copy.get());
    }
};

const Bytes SAMPLES = Samples16({100, -200, 300, -400});

TEST(WaveReader, FindsFormatAndSamplesOfAPlainFile) {
    const Read r(WaveBuilder().Chunk("fmt ", FmtBody(1, 22050, 16)).Chunk("data", SAMPLES).Build());
    ASSERT_EQ(r.wave.refusal, WAVE_ACCEPTED);
    EXPECT_EQ(r.Offset(r.wave.format), 20u);
    EXPECT_EQ(r.wave.format.size(), 16u);
    EXPECT_EQ(r.Offset(r.wave.data), 44u);
    EXPECT_EQ(Bytes(r.wave.data.begin(), r.wave.data.end()), SAMPLES);
    EXPECT_FALSE(r.wave.clamped);
}

TEST(WaveReader, AcceptsSamplesBeforeTheFormat) {
    const Read r(WaveBuilder().Chunk("data", SAMPLES).Chunk("fmt ", FmtBody(1, 22050, 16)).Build());
    ASSERT_EQ(r.wave.refusal, WAVE_ACCEPTED);
    EXPECT_EQ(r.Offset(r.wave.data), 20u);
    EXPECT_EQ(r.Offset(r.wave.format), 20u + 8 + 8);
}

TEST(WaveReader, AnEmptyDataChunkGivesWayToALaterOne) {
    const Read r(WaveBuilder()
                     .Chunk("fmt ", FmtBody(1, 22050, 16))
                     .Chunk("data", {})
                     .Chunk("data", SAMPLES)
                     .Build());
    ASSERT_EQ(r.wave.refusal, WAVE_ACCEPTED);
    EXPECT_EQ(r.Offset(r.wave.data), 52u);
    EXPECT_EQ(r.wave.data.size(), SAMPLES.size());
}

TEST(WaveReader, TheFirstNonEmptyDataChunkAndTheFirstFormatWin) {
    const Read r(WaveBuilder()
                     .Chunk("data", SAMPLES)
                     .Chunk("data", Samples16({1}))
                     .Chunk("fmt ", FmtBody(2, 44100, 16))
                     .Chunk("fmt ", FmtBody(1, 8000, 8, 12))  // never looked at: the walk stopped
                     .Build());
    ASSERT_EQ(r.wave.refusal, WAVE_ACCEPTED);
    EXPECT_EQ(r.wave.data.size(), SAMPLES.size());
    EXPECT_EQ(r.wave.format[2], 2);  // channels of the first format
}

TEST(WaveReader, AFormatNeedsAtLeastFourteenBytes) {
    const struct {
        std::size_t size;
        WaveRefusal expected;
    } cases[] = {{0, WAVE_FORMAT_TOO_SHORT},  {12, WAVE_FORMAT_TOO_SHORT},
                 {13, WAVE_FORMAT_TOO_SHORT}, {14, WAVE_ACCEPTED},
                 {16, WAVE_ACCEPTED},         {18, WAVE_ACCEPTED}};
    for (const auto& c : cases) {
        const Read r(WaveBuilder()
                         .Chunk("fmt ", FmtBody(1, 22050, 16, c.size))
                         .Chunk("data", SAMPLES)
                         .Build());
        EXPECT_EQ(r.wave.refusal, c.expected) << c.size << "-byte format";
        if (c.expected == WAVE_ACCEPTED) {
            EXPECT_EQ(r.wave.format.size(), c.size);
            EXPECT_EQ(r.wave.data.size(), SAMPLES.size()) << "the odd body's pad byte was skipped";
        }
    }
}

TEST(WaveReader, AShortFirstFormatRefusesEvenWithAGoodOneLater) {
    const Read r(WaveBuilder()
                     .Chunk("fmt ", FmtBody(1, 22050, 16, 12))
                     .Chunk("fmt ", FmtBody(1, 22050, 16))
                     .Chunk("data", SAMPLES)
                     .Build());
    EXPECT_EQ(r.wave.refusal, WAVE_FORMAT_TOO_SHORT);
}

TEST(WaveReader, OddChunksAreFollowedByAPadByte) {
    const Bytes oddSamples(SAMPLES.begin(), SAMPLES.begin() + 7);
    const Bytes file = WaveBuilder()
                           .Chunk("LIST", {'a', 'b', 'c'})
                           .Chunk("junk", {'x'})
                           .Chunk("fmt ", FmtBody(1, 11025, 16))
                           .Chunk("data", oddSamples)
                           .Build();
    ASSERT_EQ(file.size(), 12u + (8 + 4) + (8 + 2) + (8 + 16) + (8 + 8));
    const Read r(file);
    ASSERT_EQ(r.wave.refusal, WAVE_ACCEPTED);
    EXPECT_EQ(r.Offset(r.wave.format), 12u + 12 + 10 + 8);
    EXPECT_EQ(r.wave.data.size(), 7u);  // the size as stated; the pad byte is not a sample

    // Without its pad byte the next header is read one byte early and means nothing.
    const Read unpadded(WaveBuilder()
                            .ChunkDeclaring("LIST", 3, {'a', 'b', 'c'})
                            .Chunk("fmt ", FmtBody(1, 11025, 16))
                            .Chunk("data", SAMPLES)
                            .Build());
    EXPECT_NE(unpadded.wave.refusal, WAVE_ACCEPTED);
}

TEST(WaveReader, RefusesWhatIsNotARiffWave) {
    const Bytes plain =
        WaveBuilder().Chunk("fmt ", FmtBody(1, 22050, 16)).Chunk("data", SAMPLES).Build();
    Bytes rifx = plain;
    rifx[3] = 'X';
    EXPECT_EQ(Read(rifx).wave.refusal, WAVE_NOT_RIFF);
    EXPECT_EQ(Read(Bytes{}).wave.refusal, WAVE_NOT_RIFF);
    EXPECT_EQ(Read(Bytes(plain.begin(), plain.begin() + 7)).wave.refusal, WAVE_NOT_RIFF);
    EXPECT_EQ(Read(WaveBuilder().Chunk("data", SAMPLES).BuildDeclaring(40, "AVI ")).wave.refusal,
              WAVE_NOT_WAVE);
    EXPECT_EQ(Read(WaveBuilder().Build()).wave.refusal, WAVE_INCOMPLETE);
    EXPECT_EQ(Read(WaveBuilder().Chunk("fmt ", FmtBody(1, 22050, 16)).Build()).wave.refusal,
              WAVE_INCOMPLETE);
    EXPECT_EQ(Read(WaveBuilder().Chunk("fmt ", FmtBody(1, 22050, 16)).Chunk("data", {}).Build())
                  .wave.refusal,
              WAVE_INCOMPLETE);
    EXPECT_EQ(Read(WaveBuilder().Chunk("data", SAMPLES).Build()).wave.refusal, WAVE_INCOMPLETE);
}

TEST(WaveReader, EveryTruncationStaysInsideTheFile) {
    const Bytes whole = WaveBuilder()
                            .Chunk("LIST", {'a', 'b', 'c'})
                            .Chunk("fmt ", FmtBody(1, 22050, 16))
                            .Chunk("data", SAMPLES)
                            .Build();
    const std::size_t dataAt = whole.size() - SAMPLES.size();
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const Read r(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
        if (length > dataAt) {
            // The sizes run past the end: cut to what is there, and still played.
            ASSERT_EQ(r.wave.refusal, WAVE_ACCEPTED) << length;
            EXPECT_EQ(r.wave.data.size(), length - dataAt);
            EXPECT_TRUE(r.wave.clamped);
        } else {
            EXPECT_NE(r.wave.refusal, WAVE_ACCEPTED) << length;
        }
    }
}

TEST(WaveReader, SizesPastTheEndAreCutToTheFile) {
    // A RIFF size far beyond the file: the chunks are read up to the file's end.
    const Read riff(WaveBuilder()
                        .Chunk("fmt ", FmtBody(1, 22050, 16))
                        .Chunk("data", SAMPLES)
                        .BuildDeclaring(0xFFFFFFFF));
    ASSERT_EQ(riff.wave.refusal, WAVE_ACCEPTED);
    EXPECT_TRUE(riff.wave.clamped);
    EXPECT_EQ(riff.wave.data.size(), SAMPLES.size());

    // A "data" size far beyond the file: the samples that are there.
    const Read data(WaveBuilder()
                        .Chunk("fmt ", FmtBody(1, 22050, 16))
                        .ChunkDeclaring("data", 0xFFFFFFF0, SAMPLES)
                        .Build());
    ASSERT_EQ(data.wave.refusal, WAVE_ACCEPTED);
    EXPECT_EQ(data.wave.data.size(), SAMPLES.size());

    // A skipped chunk that claims more than there is ends the walk, with no wrap-around.
    const Read skipped(WaveBuilder()
                           .Chunk("fmt ", FmtBody(1, 22050, 16))
                           .ChunkDeclaring("LIST", 0xFFFFFFFF, {'a', 'b'})
                           .Chunk("data", SAMPLES)
                           .Build());
    EXPECT_EQ(skipped.wave.refusal, WAVE_INCOMPLETE);

    // A format chunk cut below fourteen bytes by the file's end is too short.
    const Read format(WaveBuilder().ChunkDeclaring("fmt ", 16, FmtBody(1, 22050, 16, 10)).Build());
    EXPECT_EQ(format.wave.refusal, WAVE_FORMAT_TOO_SHORT);
}

TEST(WaveReader, ARiffSizeShorterThanTheFileHidesWhatFollows) {
    const WaveBuilder builder =
        std::move(WaveBuilder().Chunk("fmt ", FmtBody(1, 22050, 16)).Chunk("data", SAMPLES));
    // The RIFF body ends two bytes into the samples: only those two are seen.
    const Read r(builder.BuildDeclaring(4 + 24 + 8 + 2));
    ASSERT_EQ(r.wave.refusal, WAVE_ACCEPTED);
    EXPECT_EQ(r.wave.data.size(), 2u);
    // It ends before the samples: there are none.
    EXPECT_EQ(Read(builder.BuildDeclaring(4 + 24 + 8)).wave.refusal, WAVE_INCOMPLETE);
    // Too short to hold "WAVE".
    EXPECT_EQ(Read(builder.BuildDeclaring(3)).wave.refusal, WAVE_NOT_WAVE);
}

}  // namespace
