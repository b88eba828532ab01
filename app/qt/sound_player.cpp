#include "app/qt/sound_player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include "app/qt/wav_image.h"

namespace ld {
namespace {

QAudioFormat::SampleFormat sampleFormat(const WavImage& wav) {
    if (wav.floatSamples) {
        return wav.bitsPerSample == 32 ? QAudioFormat::Float : QAudioFormat::Unknown;
    }
    switch (wav.bitsPerSample) {
        case 8:
            return QAudioFormat::UInt8;
        case 16:
            return QAudioFormat::Int16;
        case 32:
            return QAudioFormat::Int32;
        default:
            return QAudioFormat::Unknown;
    }
}

}  // namespace

SoundPlayer::SoundPlayer() = default;

SoundPlayer::~SoundPlayer() {
    stop();
}

void SoundPlayer::stop() {
    if (sink_) {
        sink_->stop();
    }
    sink_.reset();
    source_.reset();
    samples_.clear();
}

bool SoundPlayer::play(std::span<const std::uint8_t> wavImage) {
    stop();
    const std::optional<WavImage> wav = readWavImage(wavImage);
    if (!wav) {
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(wav->sampleRate);
    format.setChannelCount(wav->channels);
    format.setSampleFormat(sampleFormat(*wav));
    if (format.sampleFormat() == QAudioFormat::Unknown) {
        return false;
    }
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull() || !output.isFormatSupported(format)) {
        return false;
    }
    samples_ = QByteArray(reinterpret_cast<const char*>(wav->samples.data()),
                          static_cast<qsizetype>(wav->samples.size()));
    source_ = std::make_unique<QBuffer>(&samples_);
    if (!source_->open(QIODevice::ReadOnly)) {
        stop();
        return false;
    }
    sink_ = std::make_unique<QAudioSink>(output, format);
    sink_->start(source_.get());
    return true;
}

}  // namespace ld
