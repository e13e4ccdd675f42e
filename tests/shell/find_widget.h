#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace orv::test {

// The widget, action or model named `name` among the children of `root` (at any depth), as the
// code under test named it with setObjectName. A part missing or of another type fails the test
// with its name and ends it (the exception GoogleTest reports), so that no test goes on with a
// null part: the pointer returned is never null.
template <class T>
T* Find(const QObject& root, const QString& name) {
  T* found = root.findChild<T*>(name);
  if (found == nullptr) {
    const std::string text = "no " + std::string(T::staticMetaObject.className()) + " named \"" +
                             name.toStdString() + "\" in " + root.objectName().toStdString();
    ADD_FAILURE() << text;
    throw std::runtime_error(text);
  }
  return found;
}

template <class T>
T* Find(const QObject* root, const QString& name) {
  return Find<T>(*root, name);
}

}  // namespace orv::test
