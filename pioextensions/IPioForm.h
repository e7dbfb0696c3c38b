#pragma once
// A form that carries item controls: the view that shows it (set once, right
// after the form was created and before its controls register), localised
// texts for its controls, and a refresh of its controls. As a plain class it
// has no view, answers empty texts and does nothing.
#include <QString>
#include <cstdint>
#include <memory>

class IViewEx;

class IPioForm {
public:
    virtual ~IPioForm() = default;
    virtual std::shared_ptr<IViewEx> viewRef() const { return nullptr; }
    virtual void setViewRef(const std::shared_ptr<IViewEx>& /*view*/) {}
    virtual QString GetTextFromResource(int16_t /*iTextID*/) const { return QString(); }
    virtual void UpdatePioControls() {}
};
