#pragma once

#include "Transport/WireRecord.h"

#include <QByteArrayView>
#include <QList>
#include <exception>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string_view>
#include <utility>

namespace mivo {

// Reads the records of a list in a reply line straight from its text, without
// parsing the whole line into one tree first: each record's JSON is built,
// decoded and dropped in turn, so a reply of many thousands of records costs
// one record's worth of memory besides the records themselves.
//
// The list is the value of the line's top-level key `member`, or the value of
// `wrapper` inside that object. Each record decodes by the rules of its own
// decoder. Anything else (a line that does not parse, an element that does not
// decode, a key that appears twice, a value of another shape) gives nothing:
// such a line is left to the general decoder, which has the last word and the
// precise error. Whatever this reads, the general decoder reads alike.
class StreamedRecords {
public:
    template <WireRecord Record>
    static std::optional<QList<Record>> read(
        QByteArrayView line, std::string_view member, std::optional<std::string_view> wrapper = std::nullopt)
    {
        QList<Record> records;
        const bool complete = forEachElement(line, member, wrapper, [&records](const nlohmann::json& element) {
            Record record {};
            try {
                fromJson(element, record);
            } catch (const std::exception&) {
                // The general decoder gives the reason.
                return false;
            }
            records.append(std::move(record));
            return true;
        });
        if (!complete)
            return std::nullopt;
        return records;
    }

private:
    // Hands each element of the list to `element` in order; false as soon as
    // `element` answers false or the line is not of the expected shape.
    static bool forEachElement(QByteArrayView line, std::string_view member,
        std::optional<std::string_view> wrapper, const std::function<bool(const nlohmann::json&)>& element);
};

} // namespace mivo
