#include "window/sound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <cmath>
#include <numbers>

namespace vs {

QByteArray makeTone(int frequencyHz, int durationMs, int sampleRate)
{
    const int count = static_cast<int>(static_cast<int64_t>(sampleRate) * std::max(0, durationMs) / 1000);
    QByteArray out(count * 2, 0);
    auto* samples = reinterpret_cast<int16_t*>(out.data());
    for (int i = 0; i < count; ++i) {
        // A short fade at both ends keeps the tone from clicking.
        const double edge = std::min({1.0, i / 200.0, (count - 1 - i) / 200.0});
        const double v = std::sin(2 * std::numbers::pi * frequencyHz * i / sampleRate);
        samples[i] = static_cast<int16_t>(std::lround(v * edge * 12000));
    }
    return out;
}

Sound::Sound(QObject* parent) : QObject(parent)
{
    available_ = !QMediaDevices::defaultAudioOutput().isNull();
}

Sound::~Sound() = default;

void Sound::beep(int frequencyHz, int durationMs)
{
    if (!available_)
        return;
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (sink_)
        sink_->stop();
    samples_ = makeTone(frequencyHz, durationMs, format.sampleRate());
    buffer_ = std::make_unique<QBuffer>(&samples_);
    buffer_->open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
    sink_->start(buffer_.get());
}

void Sound::playWave(const QString& file)
{
    if (!available_ || !QFileInfo(file).isFile())
        return;
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    effect_->setSource(QUrl::fromLocalFile(file));
    effect_->play();
}

} // namespace vs
