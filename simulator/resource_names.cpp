#include "resource_names.h"

#include <cctype>
#include <vector>

namespace ovsim {
namespace detail {
namespace {

std::string upper(const std::string &s)
{
    std::string u;
    for (char c : s)
        u += char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::vector<std::string> splitParts(const std::string &s)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = s.find("::", start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 2;
    }
}

// One item of a search expression.
struct Item {
    enum class Kind { Any, Char, Class } kind = Kind::Char;
    char c = 0;
    std::string set;
    bool negated = false;
    char repeat = 0; // 0, '*' or '+'
};

bool itemMatches(const Item &it, char ch)
{
    char u = char(std::toupper(static_cast<unsigned char>(ch)));
    switch (it.kind) {
    case Item::Kind::Any:
        return true;
    case Item::Kind::Char:
        return u == it.c;
    case Item::Kind::Class: {
        bool in = false;
        for (size_t k = 0; k < it.set.size(); ++k) {
            if (k + 2 < it.set.size() && it.set[k + 1] == '-') {
                if (u >= it.set[k] && u <= it.set[k + 2])
                    in = true;
                k += 2;
            } else if (u == it.set[k]) {
                in = true;
            }
        }
        return in != it.negated;
    }
    }
    return false;
}

bool compile(const std::string &pattern, std::vector<Item> *items)
{
    for (size_t k = 0; k < pattern.size(); ++k) {
        char c = pattern[k];
        if ((c == '*' || c == '+') && !items->empty() && items->back().repeat == 0) {
            items->back().repeat = c;
            continue;
        }
        Item it;
        if (c == '?') {
            it.kind = Item::Kind::Any;
        } else if (c == '[') {
            size_t end = pattern.find(']', k + 1);
            if (end == std::string::npos)
                return false;
            it.kind = Item::Kind::Class;
            std::string body = pattern.substr(k + 1, end - k - 1);
            if (!body.empty() && body[0] == '^') {
                it.negated = true;
                body.erase(0, 1);
            }
            it.set = upper(body);
            k = end;
        } else if (c == '\\' && k + 1 < pattern.size()) {
            it.c = char(std::toupper(static_cast<unsigned char>(pattern[++k])));
        } else {
            it.c = char(std::toupper(static_cast<unsigned char>(c)));
        }
        items->push_back(it);
    }
    return true;
}

bool matchFrom(const std::vector<Item> &items, size_t i, const std::string &s, size_t p)
{
    if (i == items.size())
        return p == s.size();
    const Item &it = items[i];
    if (it.repeat == 0)
        return p < s.size() && itemMatches(it, s[p]) && matchFrom(items, i + 1, s, p + 1);
    size_t q = p;
    if (it.repeat == '+') {
        if (q >= s.size() || !itemMatches(it, s[q]))
            return false;
        ++q;
    }
    for (;;) {
        if (matchFrom(items, i + 1, s, q))
            return true;
        if (q >= s.size() || !itemMatches(it, s[q]))
            return false;
        ++q;
    }
}

} // namespace

std::string canonicalResourceName(const std::string &name)
{
    std::string trimmed = name;
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.back())))
        trimmed.pop_back();
    size_t lead = 0;
    while (lead < trimmed.size() && std::isspace(static_cast<unsigned char>(trimmed[lead])))
        ++lead;
    std::vector<std::string> parts = splitParts(upper(trimmed.substr(lead)));
    if (parts.size() < 2)
        return std::string();
    for (const auto &p : parts)
        if (p.empty())
            return std::string();
    std::string &head = parts[0];
    size_t letters = 0;
    while (letters < head.size() && (std::isalpha(static_cast<unsigned char>(head[letters])) || head[letters] == '-'))
        ++letters;
    if (letters == 0)
        return std::string();
    for (size_t k = letters; k < head.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(head[k])))
            return std::string();
    if (letters == head.size())
        head += "0";
    if (parts.back() != "INSTR")
        parts.push_back("INSTR");
    if (parts[0].compare(0, 5, "TCPIP") == 0 && parts.size() == 4 && parts[2] == "INST0")
        parts.erase(parts.begin() + 2);
    std::string out;
    for (size_t k = 0; k < parts.size(); ++k)
        out += (k ? "::" : "") + parts[k];
    return out;
}

int interfaceTypeOfName(const std::string &name)
{
    std::string u = upper(name);
    if (u.compare(0, 5, "TCPIP") == 0)
        return VI_INTF_TCPIP;
    if (u.compare(0, 8, "GPIB-VXI") == 0)
        return VI_INTF_GPIB_VXI;
    if (u.compare(0, 4, "GPIB") == 0)
        return VI_INTF_GPIB;
    if (u.compare(0, 4, "ASRL") == 0)
        return VI_INTF_ASRL;
    return VI_INTF_VXI;
}

bool visaPatternMatches(const std::string &pattern, const std::string &name)
{
    std::vector<Item> items;
    if (!compile(pattern, &items))
        return false;
    return matchFrom(items, 0, name, 0);
}

ViStatus lookUpResource(const Scenario &sc, const std::string &name, const Resource **out)
{
    std::string wanted = canonicalResourceName(name);
    if (wanted.empty())
        return VI_ERROR_INV_RSRC_NAME;
    const auto it = sc.resourceIndex.find(wanted);
    if (it == sc.resourceIndex.end())
        return VI_ERROR_RSRC_NFOUND;
    *out = &sc.resources[it->second];
    return VI_SUCCESS;
}

ViStatus openableResource(const Scenario &sc, const std::string &name, const Resource **out)
{
    ViStatus status = lookUpResource(sc, name, out);
    return status == VI_SUCCESS ? (*out)->refuseStatus : status;
}

} // namespace detail
} // namespace ovsim
