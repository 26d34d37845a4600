#pragma once

#include <QString>
#include <QtPlugin>

class QWidget;

// What a control plugin offers its host: controls created by their identifier, such as
// "CorvanBanner.FBanner". The host talks to a created control only through Qt's meta-object
// system (invokable methods and properties), so it needs no link to the plugin.
//
// A plugin lists the identifiers it knows under "Keys" in its metadata, so that a host can pick
// the right plugin without loading the others.
class ControlFactory {
public:
    virtual ~ControlFactory() = default;

    // A new control of the given identifier, child of `parent`; nullptr for identifiers the
    // plugin does not know.
    virtual QWidget* create(const QString& identifier, QWidget* parent) = 0;
};

#define ControlFactory_iid "it.corvan.mirelta.ControlFactory/1.0"
Q_DECLARE_INTERFACE(ControlFactory, ControlFactory_iid)
