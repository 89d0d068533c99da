#pragma once
// Owning pointers for what GLib and the libraries over it hand out: one unique_ptr per kind,
// freed the way that kind is freed, so no code releases a GLib value by hand.
//
//   GPtr<gchar> text(g_strdup("x"));             g_free
//   GPtr<GError> error;  f(..., OutPtr(error));   g_error_free
//   GObjectPtr<GFile> file(g_file_new_for_path(path));   g_object_unref
//
// GPtr knows the kinds named below; a library above this layer adds its own by specialising
// GFree (as the engine does for its boxed types).
#include <gio/gio.h>

#include <memory>
#include <string>

namespace wb {

// How a value of kind T is let go. Only the kinds specialised have one, so a GPtr of a kind
// nobody said how to free does not compile.
template <class T>
struct GFree;

template <>
struct GFree<gchar> {
  void operator()(gchar* p) const { g_free(p); }
};
template <>
struct GFree<guchar> {
  void operator()(guchar* p) const { g_free(p); }
};
// A NULL-terminated array of strings (GStrv).
template <>
struct GFree<gchar*> {
  void operator()(gchar** p) const { g_strfreev(p); }
};
template <>
struct GFree<GError> {
  void operator()(GError* p) const { g_error_free(p); }
};
template <>
struct GFree<GByteArray> {
  void operator()(GByteArray* p) const { g_byte_array_unref(p); }
};
template <>
struct GFree<GChecksum> {
  void operator()(GChecksum* p) const { g_checksum_free(p); }
};
template <>
struct GFree<GBytes> {
  void operator()(GBytes* p) const { g_bytes_unref(p); }
};
template <>
struct GFree<GResource> {
  void operator()(GResource* p) const { g_resource_unref(p); }
};
template <>
struct GFree<GUri> {
  void operator()(GUri* p) const { g_uri_unref(p); }
};
template <>
struct GFree<GVariant> {
  void operator()(GVariant* p) const { g_variant_unref(p); }
};

template <class T>
using GPtr = std::unique_ptr<T, GFree<T>>;

// Any GObject: one reference, given back with g_object_unref.
struct GObjectUnref {
  void operator()(gpointer p) const { g_object_unref(p); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// A further reference to a GObject, owned by the pointer returned.
template <class T>
GObjectPtr<T> RefObject(T* object) {
  return GObjectPtr<T>(static_cast<T*>(g_object_ref(object)));
}

// Passes an owning pointer to a function that returns a value through a `T**` parameter
// (GError** above all): the pointer owns what the function stored there once the call's
// full expression has ended.
template <class T, class D>
class OutPtr {
 public:
  explicit OutPtr(std::unique_ptr<T, D>& owner) : owner_(owner) {}
  OutPtr(const OutPtr&) = delete;
  OutPtr& operator=(const OutPtr&) = delete;
  ~OutPtr() { owner_.reset(raw_); }
  operator T**() { return &raw_; }

 private:
  std::unique_ptr<T, D>& owner_;
  T* raw_ = nullptr;
};

// A GLib string as a std::string, empty for null.
inline std::string StringOf(const GPtr<gchar>& s) {
  return s ? std::string(s.get()) : std::string();
}

// The message of an error, or "unknown error" when there is none.
inline std::string MessageOf(const GError* e) {
  return e && e->message ? std::string(e->message) : std::string("unknown error");
}

}  // namespace wb
