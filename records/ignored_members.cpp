#include "records/ignored_members.h"

#include <charconv>
#include <cstddef>
#include <vector>

namespace quill {

namespace {

/// A member name as far as it matters here: its text when that could be a required name
/// (short ASCII), or nothing.
class Name {
public:
    void add(unsigned code) {
        if (code >= 0x80 || size_ == sizeof text_)
            fits_ = false;
        else
            text_[size_++] = static_cast<char>(code);
    }
    /// Empty, which no required name is, when the name cannot be one.
    std::string_view view() const { return fits_ ? std::string_view(text_, size_) : ""; }

private:
    char text_[11];  // "processList", the longest required name
    std::size_t size_ = 0;
    bool fits_ = true;
};

/// Reads JSON by its grammar (RFC 8259), with no limit of its own. Every method consumes what it
/// accepts and returns false on the first byte that breaks the grammar.
class Scanner {
public:
    explicit Scanner(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    const char* pos() const { return p_; }
    bool atEnd() const { return p_ == end_; }
    char peek() const { return p_ < end_ ? *p_ : '\0'; }  // no JSON token starts with NUL
    bool take(char c) {
        if (peek() != c) return false;
        ++p_;
        return true;
    }
    void skipSpace() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
    }
    bool string(Name* name);
    /// Any value, nested to any depth without recursion; `open` is scratch space, one bit per
    /// level (set for an object).
    bool value(std::vector<bool>& open);

private:
    bool digits() {
        if (!isDigit(peek())) return false;
        while (isDigit(peek())) ++p_;
        return true;
    }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    bool hexQuad(unsigned& code);
    bool escape(unsigned& code);
    bool number();
    bool word(std::string_view text);
    bool scalar();
    bool memberName() {
        skipSpace();
        if (!string(nullptr)) return false;
        skipSpace();
        return take(':');
    }

    const char* p_;
    const char* end_;
};

bool Scanner::hexQuad(unsigned& code) {
    if (end_ - p_ < 4) return false;
    const auto [last, error] = std::from_chars(p_, p_ + 4, code, 16);
    if (error != std::errc() || last != p_ + 4) return false;
    p_ = last;
    return true;
}

/// The escape after a backslash, as the code unit it stands for.
bool Scanner::escape(unsigned& code) {
    constexpr std::string_view kLetters = "\"\\/bfnrt";
    constexpr std::string_view kMeanings = "\"\\/\b\f\n\r\t";
    if (atEnd()) return false;
    const char c = *p_++;
    if (c == 'u') return hexQuad(code);
    const std::size_t at = kLetters.find(c);
    if (at == std::string_view::npos) return false;
    code = static_cast<unsigned char>(kMeanings[at]);
    return true;
}

bool Scanner::string(Name* name) {
    if (!take('"')) return false;
    while (p_ < end_) {
        const auto c = static_cast<unsigned char>(*p_++);
        if (c == '"') return true;
        if (c < 0x20) return false;
        unsigned code = c;
        if (c == '\\' && !escape(code)) return false;
        if (name) name->add(code);
    }
    return false;
}

bool Scanner::number() {
    take('-');
    if (!take('0') && !digits()) return false;
    if (take('.') && !digits()) return false;
    if (take('e') || take('E')) {
        if (!take('+')) take('-');
        return digits();
    }
    return true;
}

bool Scanner::word(std::string_view text) {
    if (static_cast<std::size_t>(end_ - p_) < text.size() ||
        std::string_view(p_, text.size()) != text)
        return false;
    p_ += text.size();
    return true;
}

bool Scanner::scalar() {
    switch (peek()) {
        case '"':
            return string(nullptr);
        case 't':
            return word("true");
        case 'f':
            return word("false");
        case 'n':
            return word("null");
        default:
            return (peek() == '-' || isDigit(peek())) && number();
    }
}

bool Scanner::value(std::vector<bool>& open) {
    open.clear();
    for (;;) {
        skipSpace();
        const char c = peek();
        if (c == '{' || c == '[') {
            ++p_;
            skipSpace();
            if (!take(c == '{' ? '}' : ']')) {
                open.push_back(c == '{');
                if (c == '{' && !memberName()) return false;
                continue;
            }
        } else if (!scalar()) {
            return false;
        }
        // A value ended: close what ends with it, then go on to the next element, if any.
        for (;;) {
            if (open.empty()) return true;
            skipSpace();
            if (take(',')) {
                if (open.back() && !memberName()) return false;
                break;
            }
            if (!take(open.back() ? '}' : ']')) return false;
            open.pop_back();
        }
    }
}

enum class Kind { Drop, Keep, ProcessList };

Kind lineMember(std::string_view name) {
    if (name == "processList") return Kind::ProcessList;
    const bool required = name == "unixTime" || name == "totalBytes" || name == "type" ||
                          name == "record" || name == "file";
    return required ? Kind::Keep : Kind::Drop;
}

Kind processMember(std::string_view name) {
    return name == "process" || name == "sizeBytes" ? Kind::Keep : Kind::Drop;
}

class Filter {
public:
    Filter(std::string_view line, std::string& out) : in_(line), out_(out) {}

    bool run() {
        out_.clear();
        in_.skipSpace();
        if (!in_.take('{') || !object(lineMember)) return false;
        in_.skipSpace();
        return in_.atEnd() && dropped_;
    }

private:
    /// Copies the object whose brace was just taken, without the members that `kind` drops.
    bool object(Kind (*kind)(std::string_view));
    /// Copies the array whose bracket was just taken, filtering the objects in it.
    bool processList();
    /// Takes and copies `bracket` if it comes next.
    bool close(char bracket) {
        if (!in_.take(bracket)) return false;
        out_ += bracket;
        return true;
    }

    Scanner in_;
    std::string& out_;
    std::vector<bool> open_;
    bool dropped_ = false;
};

bool Filter::object(Kind (*kind)(std::string_view)) {
    out_ += '{';
    in_.skipSpace();
    bool first = true;
    if (close('}')) return true;
    for (;;) {
        in_.skipSpace();
        const char* start = in_.pos();
        Name name;
        if (!in_.string(&name)) return false;
        in_.skipSpace();
        if (!in_.take(':')) return false;
        in_.skipSpace();
        const Kind member = kind(name.view());
        if (member != Kind::Drop && !first) out_ += ',';
        if (member == Kind::ProcessList && in_.peek() == '[') {
            out_.append(start, in_.pos());
            in_.take('[');
            if (!processList()) return false;
        } else {
            if (!in_.value(open_)) return false;
            if (member != Kind::Drop) out_.append(start, in_.pos());
        }
        if (member == Kind::Drop)
            dropped_ = true;
        else
            first = false;
        in_.skipSpace();
        if (close('}')) return true;
        if (!in_.take(',')) return false;
    }
}

bool Filter::processList() {
    out_ += '[';
    in_.skipSpace();
    if (close(']')) return true;
    for (;;) {
        in_.skipSpace();
        if (in_.take('{')) {
            if (!object(processMember)) return false;
        } else {
            const char* start = in_.pos();
            if (!in_.value(open_)) return false;
            out_.append(start, in_.pos());
        }
        in_.skipSpace();
        if (close(']')) return true;
        if (!in_.take(',')) return false;
        out_ += ',';
    }
}

}  // namespace

bool dropIgnoredMembers(std::string_view line, std::string& out) {
    return Filter(line, out).run();
}

}  // namespace quill
