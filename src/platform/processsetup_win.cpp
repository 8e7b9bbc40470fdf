namespace kelvora {

// The engine's sandbox works for every Windows user.
bool platformNeedsSandboxOff()
{
    return false;
}

} // namespace kelvora
