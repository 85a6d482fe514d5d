// The library's two exported entry points; everything else in korvane.so is hidden.
//
// Linux hosts look for `VSTPluginMain`, older ones for `main`; both are the same
// function. A C++ compiler refuses a function called `main` with this signature, so the
// alias gets the symbol name `main` through an assembler label. This file belongs only
// to the shared library: a test executable has its own `main`.
#include "plugin/effect_entry.h"
#include "platform/vst/aeffect.h"

extern "C" __attribute__((visibility("default"))) kv::vst::AEffect* VSTPluginMain(
    kv::vst::audioMasterCallback audioMaster);
extern "C" __attribute__((visibility("default"))) kv::vst::AEffect* kv_vst_main_alias(
    kv::vst::audioMasterCallback audioMaster) asm("main");

// Called by the host once per plug-in instance, on its UI or loading thread.
extern "C" kv::vst::AEffect* VSTPluginMain(kv::vst::audioMasterCallback audioMaster) {
  return kv::openEffect(audioMaster, &kv::createEffectInstance);
}

extern "C" kv::vst::AEffect* kv_vst_main_alias(kv::vst::audioMasterCallback audioMaster) {
  return VSTPluginMain(audioMaster);
}
