#include "scene/audio_window.h"

#include <mutex>
#include <string>

#include "platform/format.h"
#include "platform/paths.h"
#include "scene/envelope.h"
#include "scene/fields.h"
#include "scene/soundwave.h"

namespace {

using platform::ControlKind;

const platform::ControlTemplate kControls[] = {
    {kIdAudioLoad, ControlKind::PushButton, "Load audio WAV file", 7, 7, 90, 14, 0},
    {kIdAudioNote, ControlKind::Static, "(recommended 8-bits mono)", 7, 23, 112, 8, 0},
    {kIdAudioFile, ControlKind::Static, "", 102, 10, 140, 8, 0},
    {kIdAudioClear, ControlKind::PushButton, "Clear audio channel", 7, 36, 90, 14, 0},
    {kIdAudioGraph, ControlKind::RadioButton, "use as a envelope graph", 7, 56, 116, 10,
     platform::kStyleGroup},
    {kIdAudioTemplate, ControlKind::RadioButton, "use as a template", 7, 68, 116, 10, 0},
    {kIdAudioThreshold, ControlKind::Edit, "", 190, 36, 40, 12, platform::kStyleGroup},
    {kIdAudioOversampling, ControlKind::Edit, "", 190, 50, 40, 12, platform::kStyleNumber},
    {kIdAudioOffset, ControlKind::Edit, "", 190, 64, 40, 12, 0},
    {kIdAudioScale, ControlKind::Edit, "", 190, 78, 40, 12, 0},
    {kIdAudioThreshold + 100, ControlKind::Static, "Threshold", 128, 38, 60, 8, 0},
    {kIdAudioOversampling + 100, ControlKind::Static, "Oversampling", 128, 52, 60, 8, 0},
    {kIdAudioOffset + 100, ControlKind::Static, "Offset", 128, 66, 60, 8, 0},
    {kIdAudioScale + 100, ControlKind::Static, "Scale", 128, 80, 60, 8, 0},
    {kIdAudioWave, ControlKind::Static, "", 7, 96, 236, 44, 0},
};
const platform::DialogTemplate kTemplate = {
    "Audio wave properties", 250, 146, kControls,
    static_cast<int>(sizeof kControls / sizeof kControls[0])};

std::mutex g_mutex;
WaveFileChooser g_chooser = nullptr;
std::string g_answer;

bool ChooseWaveFile(std::string* path) {
    WaveFileChooser chooser;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        chooser = g_chooser;
        if (!chooser) {
            *path = g_answer;
            return !path->empty();
        }
    }
    char buffer[256] = {};
    if (!chooser(buffer, sizeof buffer)) return false;
    *path = buffer;
    return !path->empty();
}

Envelope* EnvelopeOf(platform::Dialog* dialog) {
    return reinterpret_cast<Envelope*>(dialog->UserData());
}

// Shows the sound's settings, or a fresh sound's while there is none to set.
void Refresh(platform::Dialog* dialog, const Envelope* env) {
    const SoundWave fresh;
    const SoundWave& w = env->audio ? *env->audio : fresh;
    const bool has = env->audio != nullptr;
    PonFloat(dialog, kIdAudioThreshold, w.threshold);
    dialog->SetText(kIdAudioOversampling, platform::Format("%d", w.oversampling));
    PonFloat(dialog, kIdAudioOffset, w.offset);
    PonFloat(dialog, kIdAudioScale, w.gain);
    dialog->SetText(kIdAudioFile, has ? platform::BaseName(w.file) : std::string());
    for (int id : {kIdAudioClear, kIdAudioGraph, kIdAudioThreshold, kIdAudioOversampling,
                   kIdAudioOffset, kIdAudioScale}) {
        dialog->Enable(id, has);
    }
    dialog->SetCheck(kIdAudioGraph, env->use_audio != 0);
    dialog->SetCheck(kIdAudioTemplate, env->use_audio == 0);
}

void SoundChanged(platform::Dialog* dialog, const Envelope* env) {
    Refresh(dialog, env);
    if (platform::Dialog* editor = dialog->Parent()) editor->Repaint();
}

// The block length: a whole number of at least 1; text with no number keeps the old one.
int ReadBlock(platform::Dialog* dialog, int old_block) {
    const std::string text = dialog->GetText(kIdAudioOversampling).substr(0, 9);
    const double parsed = fields::ParseNumber(text.c_str());
    int block = old_block;
    if (parsed != 0 || fields::LooksLikeZero(text.c_str())) {
        block = parsed < 1 ? 1 : (parsed > 1e9 ? 1000000000 : static_cast<int>(parsed));
    }
    if (block != parsed || parsed == 0) {
        dialog->SetText(kIdAudioOversampling, platform::Format("%d", block));
    }
    return block;
}

void ReadField(platform::Dialog* dialog, Envelope* env, int id) {
    SoundWave* w = env->audio;
    if (!w) return;
    float v;
    switch (id) {
        case kIdAudioThreshold:
            v = w->threshold;
            DameFloat(dialog, id, &v, 0.0f, 0.0f);
            if (v != w->threshold) SetAudioThreshold(env, v);
            break;
        case kIdAudioOffset:
            v = w->offset;
            DameFloat(dialog, id, &v, 0.0f, 0.0f);
            if (v != w->offset) SetAudioOffset(env, v);
            break;
        case kIdAudioScale:
            v = w->gain;
            DameFloat(dialog, id, &v, 0.0f, kNoLimit);
            if (v != w->gain) SetAudioScale(env, v);
            break;
        case kIdAudioOversampling: {
            const int block = ReadBlock(dialog, w->oversampling);
            if (block != w->oversampling) SetAudioOversampling(env, block);
            break;
        }
        default:
            return;
    }
    if (platform::Dialog* editor = dialog->Parent()) editor->Repaint();
}

}  // namespace

const platform::DialogTemplate* AudioWindowTemplate() { return &kTemplate; }

intptr_t AudioWindowProc(platform::Dialog* dialog, unsigned msg, uintptr_t wparam,
                         intptr_t lparam) {
    if (msg == platform::kMsgInitDialog) {
        dialog->SetUserData(lparam);
        if (Envelope* env = EnvelopeOf(dialog)) Refresh(dialog, env);
        return 1;
    }
    if (msg == platform::kMsgClose) {
        dialog->Close();
        return 1;
    }
    Envelope* env = EnvelopeOf(dialog);
    if (msg != platform::kMsgCommand || !env) return 0;
    const int id = platform::CommandId(wparam);
    const int code = platform::CommandCode(wparam);
    if (code == platform::kNotifyKillFocus) {
        ReadField(dialog, env, id);
        return 1;
    }
    switch (id) {
        case kIdAudioLoad: {
            std::string path;
            if (ChooseWaveFile(&path) && LoadEnvelopeAudio(env, path.c_str())) {
                SoundChanged(dialog, env);
            }
            return 1;
        }
        case kIdAudioClear:
            ClearAudioChannel(env);
            SoundChanged(dialog, env);
            return 1;
        case kIdAudioGraph:
            UseAudioAsGraph(env);
            SoundChanged(dialog, env);
            return 1;
        case kIdAudioTemplate:
            UseAudioAsTemplate(env);
            SoundChanged(dialog, env);
            return 1;
        case platform::kIdCancel:
            dialog->Close();
            return 1;
        default:
            return 0;
    }
}

platform::Dialog* OpenAudioWindow(Envelope* env, platform::Dialog* editor) {
    if (!env) return nullptr;
    return platform::CreateDialog(&kTemplate, AudioWindowProc, editor,
                                  reinterpret_cast<intptr_t>(env));
}

void SetWaveFileChooser(WaveFileChooser chooser) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_chooser = chooser;
}

void SetWaveFileChooserAnswer(const char* path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_answer = path ? path : "";
}
