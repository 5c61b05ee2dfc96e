// ALSA error mapping to wave result codes, their texts, and the quiet ALSA error handler.
#include "platform/AlsaErrors.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <mutex>

#include "platform/WaveTypes.h"

namespace sonivex {

namespace {

// ALSA prints its diagnostics to stderr unless told otherwise; the program reports failures
// through result codes and texts, so the printing is dropped.
void QuietAlsaHandler(const char*, int, const char*, int, const char*, ...) {}

struct CodeText {
    int code;
    const char* text;
};

constexpr CodeText kCodeTexts[] = {
    {MMSYSERR_NOERROR, "The specified command was carried out."},
    {MMSYSERR_ERROR, "Undefined external error."},
    {MMSYSERR_BADDEVICEID, "The specified device identifier is out of range."},
    {MMSYSERR_NOTENABLED, "The driver was not enabled."},
    {MMSYSERR_ALLOCATED,
     "The specified device is already in use. Wait until it is free, and then try again."},
    {MMSYSERR_INVALHANDLE, "The specified device handle is invalid."},
    {MMSYSERR_NODRIVER, "There is no driver installed on your system."},
    {MMSYSERR_NOMEM,
     "Not enough memory available for this task. Quit one or more applications to increase "
     "available memory, and then try again."},
    {MMSYSERR_NOTSUPPORTED,
     "This function is not supported. Use the Capabilities function to determine which "
     "functions and messages the driver supports."},
    {9, "An error number was specified that is not defined in the system."},
    {MMSYSERR_INVALFLAG, "An invalid flag was passed to a system function."},
    {MMSYSERR_INVALPARAM, "An invalid parameter was passed to a system function."},
    {WAVERR_BADFORMAT,
     "The specified format is not supported or cannot be translated. Use the Capabilities "
     "function to determine the supported formats."},
    {WAVERR_STILLPLAYING,
     "Cannot perform this operation while media data is still playing. Reset the device, or "
     "wait until the data is finished playing."},
    {WAVERR_UNPREPARED,
     "The wave header was not prepared. Use the Prepare function to prepare the header, and "
     "then try again."},
};

constexpr int kBadErrNum = 9;  // the code whose text says "not defined in the system"

// Cuts `text` to at most `limit` bytes, backing off to a UTF-8 character start.
std::string CutUtf8(std::string text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    return text;
}

}  // namespace

void SilenceAlsaLog() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&QuietAlsaHandler); });
}

int WaveCodeFromAlsa(int alsaErr, bool formatStage) {
    switch (-alsaErr) {
        case EBUSY:
            return MMSYSERR_ALLOCATED;
        case ENOENT:
        case ENXIO:
            return MMSYSERR_BADDEVICEID;
        case ENODEV:
            return MMSYSERR_NODRIVER;
        case ENOMEM:
            return MMSYSERR_NOMEM;
        case EINVAL:
            return formatStage ? WAVERR_BADFORMAT : MMSYSERR_ERROR;
        default:
            return MMSYSERR_ERROR;
    }
}

std::string WaveCodeText(int code) {
    for (const CodeText& entry : kCodeTexts) {
        if (entry.code == code) return entry.text;
    }
    return WaveCodeText(kBadErrNum);
}

int AlsaFailure::Note(int err, const std::string& pcmName, bool formatStage) {
    alsaErr = err;
    pcm = pcmName;
    code = WaveCodeFromAlsa(err, formatStage);
    return code;
}

std::string WaveErrorText(int code, const AlsaFailure& failure) {
    std::string text = WaveCodeText(code);
    if (failure.alsaErr != 0 && failure.code == code) {
        text += " (ALSA: ";
        text += snd_strerror(failure.alsaErr);
        text += " on " + failure.pcm + ")";
    }
    return CutUtf8(std::move(text), kWaveErrorTextMax);
}

}  // namespace sonivex
