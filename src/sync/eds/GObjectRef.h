#pragma once

#include <glib-object.h>

#include <memory>

namespace brivet::eds {

struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};

// Owns one reference of a GObject (libical-glib wrappers included).
template<typename T>
using GObjectRef = std::unique_ptr<T, GObjectUnref>;

// Takes over a reference the caller already owns ("transfer full").
template<typename T>
GObjectRef<T> adopt(T* object)
{
    return GObjectRef<T>(object);
}

// Adds a reference to an object borrowed from elsewhere ("transfer none").
template<typename T>
GObjectRef<T> retain(T* object)
{
    return GObjectRef<T>(object ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

} // namespace brivet::eds
