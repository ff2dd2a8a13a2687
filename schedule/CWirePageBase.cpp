#include "schedule/CWirePageBase.h"

CWirePageBase::CWirePageBase(QByteArray context, QWidget* parent)
    : QWidget(parent)
    , CTranslatable(std::move(context))
{}
