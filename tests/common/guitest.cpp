#include "common/guitest.h"

#include <QWebEngineProfile>

namespace kelvora::test {

TemporaryWebProfile::TemporaryWebProfile() : m_profile(std::make_unique<QWebEngineProfile>()) {}

TemporaryWebProfile::~TemporaryWebProfile() = default;

} // namespace kelvora::test
