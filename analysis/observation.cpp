#include "analysis/observation.h"

#include <algorithm>

namespace quill {

TrackingScope::TrackingScope(Registrar& registrar)
    : registrar_(registrar), outer_(registrar.innermost_) {
    registrar_.innermost_ = this;
}

TrackingScope::~TrackingScope() {
    registrar_.innermost_ = outer_;
}

void Registrar::subscribe(ChangeListener& listener, FieldSet fields) {
    unsubscribe(listener);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (fields.contains(static_cast<Field>(i))) listeners_[i].push_back(&listener);
    }
}

void Registrar::unsubscribe(ChangeListener& listener) {
    for (auto& list : listeners_) {
        if (notifying_ == 0) {
            std::erase(list, &listener);
            continue;
        }
        for (auto& slot : list) {
            if (slot == &listener) slot = nullptr, blanked_ = true;
        }
    }
}

std::size_t Registrar::subscriberCount(Field field) const {
    const Listeners& list = listeners(field);
    return list.size() - static_cast<std::size_t>(std::count(list.begin(), list.end(), nullptr));
}

template <typename Notify>
void Registrar::notify(Field field, Notify notifyOne) {
    Listeners& list = listeners(field);
    ++notifying_;
    // Listeners that subscribe while being told are first told of the next write.
    const std::size_t count = list.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (ChangeListener* listener = list[i]) notifyOne(*listener);
    }
    if (--notifying_ == 0 && blanked_) {
        blanked_ = false;
        for (auto& l : listeners_) std::erase(l, nullptr);
    }
}

void Registrar::willChange(Field field) {
    notify(field, [field](ChangeListener& l) { l.willChange(field); });
}

void Registrar::didChange(Field field) {
    notify(field, [field](ChangeListener& l) { l.didChange(field); });
}

}  // namespace quill
