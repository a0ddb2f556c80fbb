#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace mivo {

// A closed vocabulary: an enum class with one table giving the raw (wire) string
// of every case, in declared order. Specialise VocabularyTraits<E> with
//   static constexpr std::string_view name = "TypeName";
//   static constexpr std::array<std::pair<E, std::string_view>, N> table = {...};
// and every function below works for it.
template <typename E>
struct VocabularyTraits;

template <typename E>
concept Vocabulary = requires {
    VocabularyTraits<E>::table;
    VocabularyTraits<E>::name;
};

// The wire string of a case.
template <Vocabulary E>
constexpr std::string_view rawValue(E value)
{
    for (const auto& [c, raw] : VocabularyTraits<E>::table) {
        if (c == value)
            return raw;
    }
    return {};
}

template <Vocabulary E>
QString rawString(E value)
{
    const std::string_view raw = rawValue(value);
    return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
}

// The case whose raw value equals the text exactly (case-sensitive, no trimming).
template <Vocabulary E>
constexpr std::optional<E> fromRawValue(std::string_view text)
{
    for (const auto& [c, raw] : VocabularyTraits<E>::table) {
        if (raw == text)
            return c;
    }
    return std::nullopt;
}

template <Vocabulary E>
std::optional<E> fromRawString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return fromRawValue<E>(std::string_view(utf8.constData(), size_t(utf8.size())));
}

// Every case in declared order.
template <Vocabulary E>
constexpr auto allCases()
{
    constexpr auto& table = VocabularyTraits<E>::table;
    std::array<E, table.size()> cases {};
    for (size_t i = 0; i < table.size(); ++i)
        cases[i] = table[i].first;
    return cases;
}

template <Vocabulary E>
constexpr std::string_view vocabularyName()
{
    return VocabularyTraits<E>::name;
}

} // namespace mivo

#define MIVO_VOCABULARY(Type, ...)                                                          \
    template <>                                                                             \
    struct VocabularyTraits<Type> {                                                         \
        static constexpr std::string_view name = #Type;                                    \
        static constexpr auto table = std::to_array<std::pair<Type, std::string_view>>({__VA_ARGS__}); \
    }
