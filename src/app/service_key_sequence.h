#pragma once
// The key sequence that reveals the service pages: an opening digit key that always
// counts, and a follow-up digit key that counts only after one or two counted keys. Any
// other character key starts over. The pages open when the count reaches exactly 3, so
// opening-opening-opening, opening-follow-up-follow-up and opening-opening-follow-up all
// work.

#include <QChar>

namespace kv {

struct ServiceKeys {
    char16_t opening;
    char16_t followUp;
};

// Told to service technicians only; see the README's service section.
inline constexpr ServiceKeys kServiceKeys{u'7', u'3'};

inline constexpr int kServiceKeyRevealCount = 3;

class ServiceKeySequence {
public:
    explicit ServiceKeySequence(ServiceKeys keys = kServiceKeys)
        : m_keys(keys)
    {
    }

    // Counts one character key; true when the count now equals the reveal count.
    bool press(QChar key);
    int count() const { return m_count; }

private:
    ServiceKeys m_keys;
    int m_count = 0;
};

}  // namespace kv
