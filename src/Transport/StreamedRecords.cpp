#include "Transport/StreamedRecords.h"

#include "Transport/WireCoding.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace mivo {

namespace {

using Json = nlohmann::json;

// The events of the parser, followed down to the list: containers are counted
// by depth (the line's object is depth 1 inside), keys are remembered at the
// two depths that lead to the list, and each element of the list is built into
// a tree of its own and handed over when it ends.
class ListReader : public nlohmann::json_sax<Json> {
public:
    ListReader(std::string_view member, std::optional<std::string_view> wrapper,
        const std::function<bool(const Json&)>& element)
        : m_member(member)
        , m_wrapper(wrapper)
        , m_listDepth(wrapper ? 3 : 2)
        , m_take(element)
    {
    }

    // True once the list was found and every element was taken.
    bool done() const { return m_listRead; }

    bool null() override { return scalar(Json(nullptr)); }
    bool boolean(bool value) override { return scalar(Json(value)); }
    bool number_integer(number_integer_t value) override { return scalar(Json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return scalar(Json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return scalar(Json(value)); }
    bool string(string_t& value) override { return scalar(Json(value)); }
    bool binary(binary_t&) override { return false; }

    bool start_object(std::size_t) override { return open(Json::value_t::object); }
    bool start_array(std::size_t) override { return open(Json::value_t::array); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t& key) override
    {
        if (!m_building.empty()) {
            m_key = key;
        } else if (m_depth == 1) {
            m_atMember = key == m_member;
        } else if (m_depth == 2 && m_inMember) {
            m_atWrapper = key == *m_wrapper;
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        return false;
    }

private:
    // Where a value that begins now belongs.
    enum class Place { elsewhere, list, element, listItself };

    Place place() const
    {
        if (!m_building.empty())
            return Place::element;
        if (m_inList && m_depth == m_listDepth)
            return Place::list;
        if (m_depth == 1 && m_atMember)
            return Place::listItself;
        if (m_depth == 2 && m_inMember && m_atWrapper)
            return Place::listItself;
        return Place::elsewhere;
    }

    bool scalar(Json&& value)
    {
        switch (place()) {
        case Place::elsewhere:
            return m_depth > 0; // a line that is a bare value is not a reply
        case Place::listItself:
        case Place::list:
            return false; // a list that is no array, or an element that is no record
        case Place::element:
            insert(std::move(value));
            return true;
        }
        return false;
    }

    bool open(Json::value_t type)
    {
        if (m_depth == 0 && type != Json::value_t::object)
            return false;
        if (m_depth >= kMaxJsonNestingDepth)
            return false;
        switch (place()) {
        case Place::elsewhere:
            break;
        case Place::listItself:
            if (m_depth == 1 && m_wrapper) {
                // The member holds the object around the list.
                if (type != Json::value_t::object || m_memberSeen)
                    return false;
                m_memberSeen = true;
                m_inMember = true;
                m_atMember = false;
            } else {
                if (type != Json::value_t::array || m_listSeen)
                    return false;
                m_listSeen = true;
                m_inList = true;
                m_atMember = m_atWrapper = false;
            }
            break;
        case Place::list:
            m_current = Json(type);
            m_building.push_back(&m_current);
            break;
        case Place::element:
            m_building.push_back(insert(Json(type)));
            break;
        }
        ++m_depth;
        return true;
    }

    bool close()
    {
        --m_depth;
        if (!m_building.empty()) {
            m_building.pop_back();
            return !m_building.empty() || m_take(m_current);
        }
        if (m_inList && m_depth == m_listDepth - 1) {
            m_inList = false;
            m_listRead = true;
        } else if (m_inMember && m_depth == 1) {
            m_inMember = false;
        }
        return true;
    }

    // Adds a value to the element being built, as the tree parser does: the
    // last of two equal keys wins.
    Json* insert(Json&& value)
    {
        Json& parent = *m_building.back();
        if (parent.is_object())
            return &(parent[m_key] = std::move(value));
        parent.push_back(std::move(value));
        return &parent.back();
    }

    const std::string_view m_member;
    const std::optional<std::string_view> m_wrapper;
    const int m_listDepth;
    const std::function<bool(const Json&)>& m_take;
    int m_depth = 0;
    bool m_atMember = false;
    bool m_atWrapper = false;
    bool m_memberSeen = false;
    bool m_inMember = false;
    bool m_listSeen = false;
    bool m_inList = false;
    bool m_listRead = false;
    Json m_current; // the element being built
    std::vector<Json*> m_building;
    std::string m_key;
};

} // namespace

bool StreamedRecords::forEachElement(QByteArrayView line, std::string_view member,
    std::optional<std::string_view> wrapper, const std::function<bool(const Json&)>& element)
{
    ListReader reader(member, wrapper, element);
    try {
        if (!Json::sax_parse(line.begin(), line.end(), &reader))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    return reader.done();
}

} // namespace mivo
