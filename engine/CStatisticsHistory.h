#pragma once

#include "core/CDateTime.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "engine/contract/ContractTypes.h"

#include <QList>
#include <QMetaType>

class CKV100AgentInterface;

// What the agent keeps of the past: its event log, and per volume the before and after values of
// the last passes. Every read answers E_FAIL without any call when there is no connected agent,
// the agent's HRESULT when a call fails (the connection itself reconnects once after a lost
// server), and the conversion's HRESULT (CAgentPropertyBag) or E_INVALIDARG for a missing
// value or a malformed answer. Outputs are written only on success.
class CStatisticsHistory {
public:
    struct CLogPoint {
        CDateTime logTime;
        TString source;
        qint32 eventType = 0;
        qint32 eventId = 0;
        TString message;

        bool operator==(const CLogPoint&) const = default;
    };

    struct CDataPoint {
        CDateTime date;
        double before = 0.0;
        double after = 0.0;

        bool operator==(const CDataPoint&) const = default;
    };

    CStatisticsHistory() = delete;

    // Log entries dated from fromDate to toDate (OLE dates), at most count of them starting at
    // the zero-based position first, and the number of entries in the whole range. Agents of the
    // oldest generation answer with a property bag, newer ones with one text.
    static HRESULT ReadLogPoints(CKV100AgentInterface* agent, double fromDate, double toDate,
                                 int first, int count, QList<CLogPoint>* points, int* total);
    // One point per past pass of the volume in each of the three series.
    static HRESULT ReadStatisticsPoints(CKV100AgentInterface* agent, const TId& volume,
                                        QList<CDataPoint>* fileFragmentation,
                                        QList<CDataPoint>* freeSpaceFragmentation,
                                        QList<CDataPoint>* performance);
    // Free space before and after each past pass, in percent of the volume's size.
    static HRESULT ReadFreeSpacePoints(CKV100AgentInterface* agent, const TId& volume,
                                       QList<CDataPoint>* freeSpace);

    // The answers themselves, as the reads above take them apart.
    static HRESULT ParseLogBag(const DBusContract::TPropertyBag& bag, QList<CLogPoint>* points,
                               int* total);
    // The newer agents' text (CKV100AgentInterface::QueryLogText): the total in decimal, then per
    // entry U+001E and five fields separated by U+001F (OLE date with a decimal point, source,
    // event type, event id, message). Anything else is malformed: E_INVALIDARG.
    static HRESULT ParseLogText(const TString& text, QList<CLogPoint>* points, int* total);
    static HRESULT ParseStatisticsBag(const DBusContract::TPropertyBag& bag,
                                      QList<CDataPoint>* fileFragmentation,
                                      QList<CDataPoint>* freeSpaceFragmentation,
                                      QList<CDataPoint>* performance);
    static HRESULT ParseFreeSpaceBag(const DBusContract::TPropertyBag& bag,
                                     QList<CDataPoint>* freeSpace);
};

Q_DECLARE_METATYPE(CStatisticsHistory::CLogPoint)
Q_DECLARE_METATYPE(CStatisticsHistory::CDataPoint)
