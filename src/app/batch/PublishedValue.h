#pragma once

#include <QObject>

#include <utility>

namespace vantry {

// Stores and announces every assignment, also one that keeps the value: observers of a
// published value see each write.
template <class Object, class T, class Signal>
void publish(Object* object, T& member, T value, Signal signal)
{
    member = std::move(value);
    emit(object->*signal)();
}

} // namespace vantry
