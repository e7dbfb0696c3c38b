#include "platform/frame/FrameFileChoice.h"

namespace frame {

FrameFileChoice::FrameFileChoice(QString saveFile)
    : m_saveFile(std::move(saveFile)),
      m_next(dialogs::DialogService::instance()),
      m_previousInstalled(dialogs::DialogService::SetInstance(this))
{
}

FrameFileChoice::~FrameFileChoice()
{
    dialogs::DialogService::SetInstance(m_previousInstalled);
}

dialogs::DialogResult FrameFileChoice::OnShowMessage(const dialogs::MessageBoxRequest& request)
{
    return m_next.ShowMessage(request);
}

QString FrameFileChoice::ChooseSaveFile(const dialogs::FileDialogRequest& request)
{
    m_answered.append(request.title);
    return m_saveFile;
}

QString FrameFileChoice::ChooseOpenFile(const dialogs::FileDialogRequest& request)
{
    return m_next.ChooseOpenFile(request);
}

int FrameFileChoice::ExecModal(QDialog& dialog)
{
    return m_next.ExecModal(dialog);
}

} // namespace frame
