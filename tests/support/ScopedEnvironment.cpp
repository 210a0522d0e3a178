#include "ScopedEnvironment.h"

#include <QtGlobal>

namespace vantor::test {

ScopedEnvironment::~ScopedEnvironment() {
    for (const auto& [name, previous] : m_previous) {
        if (previous.wasSet)
            qputenv(name.constData(), previous.value);
        else
            qunsetenv(name.constData());
    }
}

void ScopedEnvironment::remember(const char* name) {
    if (m_previous.count(name))
        return;
    m_previous[name] = {qEnvironmentVariableIsSet(name), qgetenv(name)};
}

void ScopedEnvironment::set(const char* name, const QByteArray& value) {
    remember(name);
    qputenv(name, value);
}

void ScopedEnvironment::unset(const char* name) {
    remember(name);
    qunsetenv(name);
}

}  // namespace vantor::test
