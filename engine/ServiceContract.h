#pragma once

#include "core/HResult.h"

#include <array>
#include <string_view>

// The engine services the console drives: for each, the class IDs to try in order and the
// interface ID. The first class ID that answers also tells which generation of the service is
// installed.
struct TServiceContract {
    enum class TWhere {
        LocalOrRemote,
        LocalServer, // only on the console's own computer, in its own process
        InProcess,
    };

    std::string_view name;
    std::array<std::string_view, 3> classIds; // unused entries are empty
    std::string_view interfaceId;
    TWhere where;

    constexpr std::size_t ClassIdCount() const
    {
        std::size_t count = 0;
        for (std::string_view id : classIds)
            count += id.empty() ? 0 : 1;
        return count;
    }
};

namespace ServiceContract {

inline constexpr TServiceContract Engine{"Engine",
                                         {"{22DAA0A2-0E27-4CC4-9588-EEEE76358306}",
                                          "{E433A430-6353-4e11-8484-45F98CE62D44}",
                                          "{00772927-3E20-4854-9D99-77DEA78FE9E5}"},
                                         "{39121AAC-0BF2-4281-9055-029CE5866C0D}",
                                         TServiceContract::TWhere::LocalOrRemote};
inline constexpr TServiceContract Agent{"Agent",
                                        {"{66965DDE-28BB-4B06-B848-583F7E202B58}",
                                         "{EDFEE007-AC67-4AEC-AB2E-3F22E18934C0}",
                                         "{145401CE-987A-445F-818A-6690BD9A5CF0}"},
                                        "{16465874-CA7E-47D6-9F4F-8E3FD515A50B}",
                                        TServiceContract::TWhere::LocalOrRemote};
inline constexpr TServiceContract FileSpaceReports{"IFileSpaceReports",
                                                   {"{238FA59B-70D1-4533-8C3B-C982B78A9100}"},
                                                   "{C5D25F7B-6109-4111-9946-83814BD71D5D}",
                                                   TServiceContract::TWhere::LocalOrRemote};
inline constexpr TServiceContract FileOp{"IFileOp",
                                         {"{681B98BB-5508-43FF-A440-3EF3EB398368}"},
                                         "{40425F41-5EFC-4D3C-8331-76D67D22DA68}",
                                         TServiceContract::TWhere::LocalOrRemote};
inline constexpr TServiceContract FileSet{"IFileSet",
                                          {"{1195EDF9-0F41-46F4-A78A-554DBFDC3D50}"},
                                          "{27BD3C67-A230-40EA-8990-222657ED1EE6}",
                                          TServiceContract::TWhere::LocalOrRemote};
inline constexpr TServiceContract FileBrowserEx{"IFileBrowserEx",
                                                {"{1B81CC8D-F8F7-4724-9C32-C9E2FA6A3FE8}"},
                                                "{81B17307-7CAE-4F5F-BB26-9FCDE354DE2E}",
                                                TServiceContract::TWhere::LocalOrRemote};
inline constexpr TServiceContract Tl2MD5Browser{"ITl2MD5Browser",
                                                {"{684DB1F8-660C-4A3C-B2C1-820C4CEE1256}"},
                                                "{4C3A064E-C867-47E2-B0A1-E39285B9028A}",
                                                TServiceContract::TWhere::LocalOrRemote};
inline constexpr TServiceContract TempRecycleClean{"ITempRecycleClean",
                                                   {"{82A6EBEC-C3A4-44BD-9BD3-8CB6956328D6}"},
                                                   "{2EA55567-5CF1-4EB8-9183-5B0E4C6043F8}",
                                                   TServiceContract::TWhere::LocalOrRemote};
inline constexpr TServiceContract ExchangeEngine{"Exchange engine",
                                                 {"{6209B7F6-C57E-4C75-84DC-9489A129EAAA}"},
                                                 "{9332ADCF-9AD2-4360-8FE4-0677FC7BF130}",
                                                 TServiceContract::TWhere::LocalServer};
inline constexpr TServiceContract ExchangeInProcess{"Exchange in-process part",
                                                    {"{AEA3BC06-A796-4FE9-BC1C-C269C4F9DED9}"},
                                                    "{C10E39CF-7105-494C-8C79-5B235DB5E11A}",
                                                    TServiceContract::TWhere::InProcess};
inline constexpr TServiceContract VmEngine{"VM engine",
                                           {"{34F96F1F-4BF2-4E47-BA0A-6861C250CECE}"},
                                           "{EF70CF2A-2B4D-4D2F-AB0E-80246A890FB5}",
                                           TServiceContract::TWhere::LocalServer};

inline constexpr std::array<const TServiceContract*, 11> All{
    &Engine,        &Agent,         &FileSpaceReports, &FileOp,         &FileSet,
    &FileBrowserEx, &Tl2MD5Browser, &TempRecycleClean, &ExchangeEngine, &ExchangeInProcess,
    &VmEngine};

// Class creation: the next class ID is tried only after these two answers.
inline constexpr HRESULT kTryNextClassAfter[] = {REGDB_E_CLASSNOTREG,
                                                 HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)};

} // namespace ServiceContract
