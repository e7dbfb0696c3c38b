#pragma once
// What the item controls of a form share: the design-time face (a label that
// shows only while the container is being designed), the container's mode
// and the errors of properties that may be set in one mode only, the
// property-changed notice, and the control's persisted properties.
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;

namespace automation {
class PropertyBag;
}

namespace pioitems {

// "Set not supported at runtime": a design-time property set while the form runs.
constexpr int32_t kErrSetNotSupportedAtRuntime = 382;
// "Set not permitted": a run-time property set while the form is designed.
constexpr int32_t kErrSetNotPermitted = 387;

class PioUserControl : public QWidget, public automation::ComObject {
    Q_OBJECT
public:
    ~PioUserControl() override;

    // False while the container is being designed.
    bool UserMode() const;
    QString FaceCaption() const;

    // The persisted properties, from and into the container's property bag.
    // A new control starts with the defaults; reading a bag sets every
    // property, a missing key to its default. A stored value that does not
    // fit raises ComError(13) and leaves the control as it was.
    virtual void ReadProperties(const automation::PropertyBag& bag) = 0;
    virtual void WriteProperties(automation::PropertyBag& bag) const = 0;

    // The container's mode changed: shows or hides the face.
    void AmbientChanged();

signals:
    // A persisted property was set; the container saves the control again.
    void PropertyChanged(const QString& propertyName);

protected:
    // className names the control in error sources ("PioAppItem").
    PioUserControl(const QString& className, QWidget* parent);

    const QString& ClassName() const { return m_className; }
    void SetFaceCaption(const QString& caption);
    // Raise kErrSetNotSupportedAtRuntime while running, kErrSetNotPermitted
    // while designing; property names the property in the error's source.
    void RequireDesignMode(const char* property) const;
    void RequireRunMode(const char* property) const;
    void MarkPropertyChanged(const QString& propertyName) { emit PropertyChanged(propertyName); }

    QLabel* Face() const { return m_face; }
    // Sizes face and control after a resize or a new caption: by default the
    // label takes the control's width and the control the label's height.
    virtual void FitFace();

    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_className;
    QLabel* m_face;
};

} // namespace pioitems
