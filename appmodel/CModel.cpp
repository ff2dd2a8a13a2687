#include "appmodel/CModel.h"

#include "resources/CSkinResources.h"

#include <algorithm>

QString CModel::SkinImage(const QString& name) const
{
    return CSkinResources::SkinImagePath(m_skin.imageFolder, name);
}

CModel::TSkin CModel::SkinOf(int number)
{
    const int known = number == CSkinResources::kGray ? number : CSkinResources::kBlue;
    return {known, CSkinResources::StyleSheetName(known), CSkinResources::ImageFolder(known)};
}

TBusyStatus CModel::Busy(int index) const
{
    if (index < 0 || index >= kBusyIndexCount)
        return TBusyStatus::Idle;
    return m_busy[static_cast<std::size_t>(index)];
}

bool CModel::SetBusy(int index, TBusyStatus status)
{
    if (index < 0 || index >= kBusyIndexCount)
        return false;
    m_busy[static_cast<std::size_t>(index)] = status;
    return true;
}

bool CModel::AnyBusy(TBusyStatus status) const
{
    return std::find(m_busy.begin(), m_busy.end(), status) != m_busy.end();
}

void CModel::AddFinalAction(CFinalAdvice::TFinishActionAdvice advice, const std::wstring& message)
{
    for (TFinalAction& action : m_finalActions) {
        if (action.advice == advice) {
            action.message = message;
            return;
        }
    }
    m_finalActions.append({advice, message});
}

std::optional<CModel::TFinalAction> CModel::MostUrgentFinalAction() const
{
    if (m_finalActions.isEmpty())
        return std::nullopt;
    const auto most = std::min_element(
        m_finalActions.begin(), m_finalActions.end(),
        [](const TFinalAction& a, const TFinalAction& b) { return a.advice < b.advice; });
    return *most;
}
