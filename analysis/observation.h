#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace quill {

/// The observable fields of the model, one bit each in a FieldSet.
enum class Field : std::uint8_t {
    StatList,
    SelectedStat,
    SelectedStatStats,
    FileName,
    PointsPersist,
    PointsSpecial,
    RatesPoints,
    StartTime,
    PlotSpan,
};
inline constexpr std::size_t kFieldCount = 9;

class FieldSet {
public:
    constexpr FieldSet() = default;
    constexpr FieldSet(std::initializer_list<Field> fields) {
        for (Field f : fields) insert(f);
    }
    constexpr void insert(Field f) { bits_ |= bit(f); }
    constexpr bool contains(Field f) const { return (bits_ & bit(f)) != 0; }
    friend constexpr bool operator==(FieldSet, FieldSet) = default;

private:
    static constexpr std::uint32_t bit(Field f) { return 1u << static_cast<unsigned>(f); }
    std::uint32_t bits_ = 0;
};

/// Told of every write of a field it subscribed to: first that the field will change, then
/// that it did.
class ChangeListener {
public:
    virtual ~ChangeListener() = default;
    virtual void willChange(Field field) = 0;
    virtual void didChange(Field field) = 0;
};

class Registrar;

/// Records which fields are read while it is the innermost scope of its registrar. A view
/// draws inside one, then subscribes to exactly what it read.
class TrackingScope {
public:
    explicit TrackingScope(Registrar& registrar);
    ~TrackingScope();
    TrackingScope(const TrackingScope&) = delete;
    TrackingScope& operator=(const TrackingScope&) = delete;

    FieldSet accessed() const { return accessed_; }

private:
    friend class Registrar;
    Registrar& registrar_;
    TrackingScope* outer_;
    FieldSet accessed_;
};

/// Per-field subscriptions of one model. Listeners subscribe with `subscribe` and stay
/// subscribed until they call it again (replacing their fields) or `unsubscribe`.
class Registrar {
public:
    Registrar() = default;
    Registrar(const Registrar&) = delete;
    Registrar& operator=(const Registrar&) = delete;

    /// Subscribes `listener` to exactly `fields`, replacing what it had.
    void subscribe(ChangeListener& listener, FieldSet fields);
    void unsubscribe(ChangeListener& listener);
    std::size_t subscriberCount(Field field) const;

    /// Called by the model's getters: subscribes the innermost tracking scope, if any.
    void access(Field field) const {
        if (innermost_) innermost_->accessed_.insert(field);
    }
    void willChange(Field field);
    void didChange(Field field);

private:
    friend class TrackingScope;
    using Listeners = std::vector<ChangeListener*>;
    Listeners& listeners(Field f) { return listeners_[static_cast<std::size_t>(f)]; }
    const Listeners& listeners(Field f) const { return listeners_[static_cast<std::size_t>(f)]; }
    template <typename Notify>
    void notify(Field field, Notify notifyOne);

    std::array<Listeners, kFieldCount> listeners_;
    TrackingScope* innermost_ = nullptr;
    // While listeners are told, removal only blanks their slots; the lists are compacted once
    // the outermost notification ends, so notifying never copies or allocates.
    int notifying_ = 0;
    bool blanked_ = false;
};

}  // namespace quill
