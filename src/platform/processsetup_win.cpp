namespace kelvora {

// The engine's sandbox works for every Windows user, and the OpenGL driver loads only when used.
void preparePlatformProcess() {}

} // namespace kelvora
