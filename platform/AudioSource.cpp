#include "AudioSource.h"

#include "PlatformMode.h"
#include "PulseAudioSource.h"
#include "SimulatedAudioSource.h"

AudioSource::~AudioSource() = default;

std::unique_ptr<AudioSource> AudioSource::create(int input)
{
    if (PlatformMode::simulated() && qgetenv("ZEMBO_AUDIO") != "pulseaudio")
        return std::make_unique<SimulatedAudioSource>(input);
    return std::make_unique<PulseAudioSource>();
}

QString AudioSource::sourceNameFromList(const QString& pactlOutput, int n)
{
    static const QString marker = QStringLiteral("Name: alsa_input");
    int from = 0;
    for (int i = 0;; ++i) {
        const int at = pactlOutput.indexOf(marker, from);
        if (at < 0)
            return QString();
        const int end = pactlOutput.indexOf(QLatin1Char('\n'), at);
        if (i == n) {
            if (end < 0)
                return QString();
            const int start = at + 6; // after "Name: "
            return pactlOutput.mid(start, end - start);
        }
        if (end < 0)
            return QString();
        from = end;
    }
}
