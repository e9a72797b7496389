// SDL's Web Audio driver calls two of Emscripten's helpers from inline JavaScript, which names no
// dependencies, so nothing else would link them in.
DEFAULT_LIBRARY_FUNCS_TO_INCLUDE.push('$autoResumeAudioContext', '$dynCall');
