#pragma once

#include <QByteArray>
#include <map>

namespace vantor::test {

// Sets environment variables for the life of one test and puts back what was there before.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

    void set(const char* name, const QByteArray& value);
    void unset(const char* name);

private:
    void remember(const char* name);

    struct Previous {
        bool wasSet;
        QByteArray value;
    };
    std::map<QByteArray, Previous> m_previous;
};

}  // namespace vantor::test
