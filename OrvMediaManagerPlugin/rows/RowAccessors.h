#pragma once

// Implementations of the row interfaces' accessor families over QVariant fields: a field that
// is "not set" reads as null, numeric getters give 0 for null or unconvertible values, and each
// setter stores a value of the type it takes.

#include "database/SqlValues.h"

#define ORV_NUMERIC_GETTERS_IMPL(Name, field)                                                      \
    bool is##Name##Null() const override {                                                         \
        return orv::isNotSet(field);                                                               \
    }                                                                                              \
    quint64 get##Name##AsUInt64() const override {                                                 \
        return orv::numberAs<quint64>(field);                                                      \
    }                                                                                              \
    qint64 get##Name##AsInt64() const override {                                                   \
        return orv::numberAs<qint64>(field);                                                       \
    }                                                                                              \
    quint32 get##Name##AsUInt32() const override {                                                 \
        return orv::numberAs<quint32>(field);                                                      \
    }                                                                                              \
    qint32 get##Name##AsInt32() const override {                                                   \
        return orv::numberAs<qint32>(field);                                                       \
    }                                                                                              \
    bool set##Name(qint64 value) override {                                                        \
        field = QVariant(value);                                                                   \
        return true;                                                                               \
    }                                                                                              \
    bool set##Name(quint64 value) override {                                                       \
        field = QVariant(value);                                                                   \
        return true;                                                                               \
    }

#define ORV_NUMERIC_ACCESSORS_IMPL(Name, field)                                                    \
    ORV_NUMERIC_GETTERS_IMPL(Name, field)                                                          \
    bool clear##Name() override {                                                                  \
        field = QVariant();                                                                        \
        return true;                                                                               \
    }

#define ORV_VALUE_ACCESSORS_IMPL(Name, Type, field)                                                \
    bool is##Name##Null() const override {                                                         \
        return orv::isNotSet(field);                                                               \
    }                                                                                              \
    Type get##Name() const override {                                                              \
        return field.value<Type>();                                                                \
    }                                                                                              \
    bool set##Name(const Type& value) override {                                                   \
        field = QVariant::fromValue(value);                                                        \
        return true;                                                                               \
    }                                                                                              \
    bool clear##Name() override {                                                                  \
        field = QVariant();                                                                        \
        return true;                                                                               \
    }
