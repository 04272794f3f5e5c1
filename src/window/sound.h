#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QAudioSink;
class QBuffer;
class QSoundEffect;

namespace vs {

// 16-bit mono samples of a sine tone of the given frequency and duration.
QByteArray makeTone(int frequencyHz, int durationMs, int sampleRate = 44100);

// Beeps and wave files. Without an audio device both stay silent; nothing
// here ever reports an error.
class Sound : public QObject {
    Q_OBJECT
public:
    explicit Sound(QObject* parent = nullptr);
    ~Sound() override;

    bool available() const { return available_; }
    // Plays a tone; returns at once.
    void beep(int frequencyHz, int durationMs);
    // Plays a wave file when it exists; returns at once.
    void playWave(const QString& file);

private:
    bool available_ = false;
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QBuffer> buffer_;
    QByteArray samples_;
    std::unique_ptr<QSoundEffect> effect_;
};

} // namespace vs
