#include "dialog_script.h"

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>

#include "dialog_driver.h"

DialogScript& DialogScript::Then(const std::string& title, Action action) {
    m_steps.push_back({title, std::move(action), wxID_NONE});
    return *this;
}

DialogScript& DialogScript::Answer(const std::string& title, Action prepare, int result) {
    m_steps.push_back({title, std::move(prepare), result});
    return *this;
}

int DialogScript::Enter(wxDialog* dialog) {
    // A file dialog carries its title as its message.
    auto* files = dynamic_cast<wxFileDialog*>(dialog);
    const std::string title = (files ? files->GetMessage() : dialog->GetTitle()).utf8_string();
    titles.push_back(title);
    if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
        messages.push_back(box->GetMessage().utf8_string());
        return wxID_OK;
    }
    if (m_steps.empty() || m_steps.front().title != title) {
        unexpected.push_back(title);
        return wxID_CANCEL;
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    if (step.result != wxID_NONE) {
        step.action(*dialog);
        return step.result;
    }
    Action action = std::move(step.action);
    dialog->CallAfter([dialog, action] {
        action(*dialog);
        if (dialog->IsModal()) dialog->EndModal(kLeftOpen);
    });
    return wxID_NONE;  // show it
}
