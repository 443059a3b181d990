// Query tables of a copied sheet's tables with their data connections: the connections the copy's
// query tables use are added to the target's connections part (created when missing) under ids and
// names unused there, and the query tables renumbered to them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "package.h"

namespace zelmo::xlsx {

inline constexpr const char* kCtQueryTable = "application/vnd.openxmlformats-officedocument.spreadsheetml.queryTable+xml";

class ConnectionPlan {
public:
    ConnectionPlan(const Package& source, const Package& target);
    // False when the source has no readable connections part: query tables cannot go along.
    bool Usable() const { return usable_; }
    // The copied query table, naming the copy of its connection.
    std::string AdoptQueryTable(const std::string& xml, const std::string& part);

    // The target's connections part with the copied connections ("" when none was copied).
    struct Update {
        std::string part, xml;
        bool create = false;
    };
    Update Finish() const;

private:
    bool usable_ = false;
    const Package& target_;
    pugi::xml_document sourceDoc_;
    std::map<std::string, pugi::xml_node> sourceById_;
    std::string targetPart_;
    std::shared_ptr<pugi::xml_document> targetDoc_;
    std::set<std::uint32_t> ids_;
    std::vector<std::string> names_;
    std::map<std::string, std::uint32_t> copied_;  // source id -> new id
};

void ApplyConnections(Package& target, ConnectionPlan::Update update);

}  // namespace zelmo::xlsx
