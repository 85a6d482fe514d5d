/* A minimal VST 2 host in plain C, independent of the project's C++ header.
 *
 * It loads the built plug-in library the way a Linux host does, finds it through both
 * entry names, reads the 192-byte interface record at raw byte offsets of the x86-64
 * layout, and drives one instance through open, stream settings, resume, processing,
 * suspend and close. Usage: c_host_harness PATH/TO/korvane.so NAME UNIQUE_ID_HEX, where
 * NAME and the id are what the patch beside the library says. Exit code 0 when every check
 * passed. */
#include <dlfcn.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef intptr_t (*host_callback)(void* effect, int32_t opcode, int32_t index, intptr_t value,
                                  void* ptr, float opt);
typedef void* (*entry_point)(host_callback host);
typedef intptr_t (*dispatcher_proc)(void* effect, int32_t opcode, int32_t index,
                                    intptr_t value, void* ptr, float opt);
typedef void (*process_proc)(void* effect, float** inputs, float** outputs, int32_t frames);

static int failures = 0;
#define CHECK(cond)                                                    \
  do {                                                                 \
    if (!(cond)) {                                                     \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                      \
    }                                                                  \
  } while (0)

/* --- The host ---------------------------------------------------------------------- */

static intptr_t host_version = 2400;
static const char* expected_name = "";
static int32_t expected_id = 0;
static int32_t expected_inputs = 0;
static int32_t expected_outputs = 0;
static int32_t expected_params = 0;
static int host_calls = 0;

static intptr_t host(void* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                     float opt) {
  (void)effect; (void)index; (void)value; (void)ptr; (void)opt;
  ++host_calls;
  if (opcode == 1 /* audioMasterVersion */) return host_version;
  return 0;
}

/* --- Raw record access --------------------------------------------------------------- */

static int32_t read_i32(const void* record, size_t offset) {
  int32_t v;
  memcpy(&v, (const unsigned char*)record + offset, sizeof v);
  return v;
}

static float read_f32(const void* record, size_t offset) {
  float v;
  memcpy(&v, (const unsigned char*)record + offset, sizeof v);
  return v;
}

static void* read_ptr(const void* record, size_t offset) {
  void* v;
  memcpy(&v, (const unsigned char*)record + offset, sizeof v);
  return v;
}

static int all_zero(const void* record, size_t from, size_t to) {
  const unsigned char* bytes = (const unsigned char*)record;
  for (size_t i = from; i < to; ++i)
    if (bytes[i] != 0) return 0;
  return 1;
}

static intptr_t dispatch(void* effect, int32_t opcode, int32_t index, intptr_t value,
                         void* ptr, float opt) {
  dispatcher_proc d;
  void* raw = read_ptr(effect, 8);
  memcpy(&d, &raw, sizeof d);
  return d(effect, opcode, index, value, ptr, opt);
}

static void process_replacing(void* effect, float** inputs, float** outputs, int32_t frames) {
  process_proc p;
  void* raw = read_ptr(effect, 120);
  memcpy(&p, &raw, sizeof p);
  p(effect, inputs, outputs, frames);
}

/* --- Checks -------------------------------------------------------------------------- */

static void check_record(const void* e) {
  CHECK(read_i32(e, 0) == 0x56737450);        /* magic "VstP" */
  CHECK(all_zero(e, 4, 8));                    /* padding */
  CHECK(read_ptr(e, 8) != NULL);               /* dispatcher */
  CHECK(read_ptr(e, 16) != NULL);              /* process */
  CHECK(read_ptr(e, 24) != NULL);              /* setParameter */
  CHECK(read_ptr(e, 32) != NULL);              /* getParameter */
  CHECK(read_i32(e, 40) == 1);                 /* numPrograms */
  CHECK(read_i32(e, 44) == expected_params);   /* numParams: the patch's panel controls */
  CHECK(read_i32(e, 48) == expected_inputs);   /* numInputs: the patch's audio inputs */
  CHECK(read_i32(e, 52) == expected_outputs);  /* numOutputs: the patch's audio outputs */
  CHECK((read_i32(e, 56) & 16) != 0);          /* flags: can replace */
  CHECK((read_i32(e, 56) & 0x1000) == 0);      /* flags: no double processing */
  CHECK(all_zero(e, 60, 92));                  /* padding, reserved, delay, qualities */
  CHECK(read_f32(e, 92) == 1.0f);              /* ioRatio */
  CHECK(read_ptr(e, 96) != NULL);              /* object */
  CHECK(read_ptr(e, 104) == NULL);             /* user */
  CHECK(read_i32(e, 112) == expected_id);      /* uniqueID from the patch */
  CHECK(read_i32(e, 116) == 1);                /* version */
  CHECK(read_ptr(e, 120) != NULL);             /* processReplacing */
  CHECK(all_zero(e, 128, 192));                /* double processing and future: zero */
}

static void drive(void* e) {
  enum { frames = 256 };
  static float in[frames], left[frames], right[frames];
  float* inputs[1] = {in};
  float* outputs[2] = {left, right};
  char text[256];

  CHECK(dispatch(e, 0 /* effOpen */, 0, 0, NULL, 0.0f) == 0);
  CHECK(dispatch(e, 10 /* effSetSampleRate */, 0, 0, NULL, 48000.0f) == 0);
  CHECK(dispatch(e, 11 /* effSetBlockSize */, 0, frames, NULL, 0.0f) == 0);
  CHECK(dispatch(e, 22 /* effIdentify */, 0, 0, NULL, 0.0f) == 0x4E764566);
  CHECK(dispatch(e, 58 /* effGetVstVersion */, 0, 0, NULL, 0.0f) == 2300);
  strcpy(text, "receiveVstMidiEvent");
  CHECK(dispatch(e, 51 /* effCanDo */, 0, 0, text, 0.0f) == -1); /* signed, pointer-sized */
  memset(text, '#', sizeof text);
  CHECK(dispatch(e, 45 /* effGetEffectName */, 0, 0, text, 0.0f) == 1);
  CHECK(strcmp(text, expected_name) == 0);
  CHECK(dispatch(e, 77, 0, 0, NULL, 0.0f) == 0);
  CHECK(dispatch(e, 12 /* effMainsChanged */, 0, 1, NULL, 0.0f) == 0);

  for (int block = 0; block < 3; ++block) {
    for (int i = 0; i < frames; ++i) {
      in[i] = (float)i;
      left[i] = NAN;
      right[i] = 1e30f;
    }
    process_replacing(e, inputs, outputs, frames);
    /* The patch plays silence on the outputs it has; others are the plug-in's to ignore. */
    for (int i = 0; i < frames; ++i) {
      if (expected_outputs > 0) CHECK(left[i] == 0.0f);
      if (expected_outputs > 1) CHECK(right[i] == 0.0f);
      if (failures) break;
    }
  }

  CHECK(dispatch(e, 12 /* effMainsChanged */, 0, 0, NULL, 0.0f) == 0);
  CHECK(dispatch(e, 1 /* effClose */, 0, 0, NULL, 0.0f) == 1);
}

int main(int argc, char** argv) {
  if (argc != 7) {
    fprintf(stderr, "usage: %s PLUGIN.so NAME UNIQUE_ID_HEX INPUTS OUTPUTS PARAMETERS\n", argv[0]);
    return 2;
  }
  expected_name = argv[2];
  expected_id = (int32_t)strtoul(argv[3], NULL, 16);
  expected_inputs = (int32_t)strtol(argv[4], NULL, 10);
  expected_outputs = (int32_t)strtol(argv[5], NULL, 10);
  expected_params = (int32_t)strtol(argv[6], NULL, 10);
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
    return 1;
  }
  const char* names[2] = {"VSTPluginMain", "main"};
  for (int n = 0; n < 2; ++n) {
    void* symbol = dlsym(library, names[n]);
    CHECK(symbol != NULL);
    if (!symbol) continue;
    entry_point entry;
    memcpy(&entry, &symbol, sizeof entry);

    /* A host that answers 0 to the version question gets nothing. */
    host_version = 0;
    host_calls = 0;
    CHECK(entry(host) == NULL);
    CHECK(host_calls == 1);

    /* Two live instances at once are separate objects. */
    host_version = 2400;
    void* first = entry(host);
    void* second = entry(host);
    CHECK(first != NULL && second != NULL);
    if (!first || !second) continue;
    CHECK(first != second);
    CHECK(read_ptr(first, 96) != read_ptr(second, 96));
    check_record(first);
    drive(first);
    check_record(second);
    drive(second);
  }
  dlclose(library);
  if (failures) {
    fprintf(stderr, "%d check(s) failed\n", failures);
    return 1;
  }
  printf("all checks passed\n");
  return 0;
}
